#!/usr/bin/python3
"""A throwaway FTP server with explicit TLS for the publish tests: one account, one folder,
bound to 127.0.0.1 only. Makes a self-signed certificate for 127.0.0.1 in CERT_DIR (cert.pem,
which the client is told to trust), then prints the port it listens on and serves until killed.
With "plain" after PORT it offers no TLS at all, as an old host or a man in the middle would.
Usage: ftp_server.py ROOT USER PASSWORD CERT_DIR [PORT [plain]]"""

import sys

from OpenSSL import SSL, crypto
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


class DataHandler(TLS_DTPHandler):
    """Lets the client finish its TLS handshake on the data connection before it names the
    transfer, as libcurl does: the stock handler takes that early traffic for a hang-up."""

    def readable(self):
        if self._ssl_accepting:
            return True
        if self._ssl_established and not self.receive and not self._initialized:
            return False
        return super().readable()


def make_certificate(folder):
    key = crypto.PKey()
    key.generate_key(crypto.TYPE_RSA, 2048)
    cert = crypto.X509()
    cert.set_version(2)
    cert.get_subject().CN = "127.0.0.1"
    cert.set_serial_number(1)
    cert.gmtime_adj_notBefore(-3600)
    cert.gmtime_adj_notAfter(86400)
    cert.set_issuer(cert.get_subject())
    cert.set_pubkey(key)
    cert.add_extensions([
        crypto.X509Extension(b"subjectAltName", False, b"IP:127.0.0.1"),
        crypto.X509Extension(b"basicConstraints", True, b"CA:TRUE"),
    ])
    cert.sign(key, "sha256")
    with open(folder + "/cert.pem", "wb") as out:
        out.write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))
    with open(folder + "/key.pem", "wb") as out:
        out.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))


def main():
    root, user, password, cert_dir = sys.argv[1:5]
    port = int(sys.argv[5]) if len(sys.argv) > 5 else 0
    if port == 0:
        make_certificate(cert_dir)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmw")
    if len(sys.argv) > 6 and sys.argv[6] == "plain":
        FTPHandler.authorizer = authorizer
        server = FTPServer(("127.0.0.1", port), FTPHandler)
        print(server.socket.getsockname()[1], flush=True)
        server.serve_forever(timeout=0.2)
        return
    handler = TLS_FTPHandler
    handler.certfile = cert_dir + "/cert.pem"
    handler.keyfile = cert_dir + "/key.pem"
    # TLS 1.2 at most: this server resets a TLS 1.3 data connection that resumes the control
    # connection's session, which clients do as vsftpd and most hosts ask.
    context = SSL.Context(SSL.TLS_SERVER_METHOD)
    context.set_max_proto_version(SSL.TLS1_2_VERSION)
    context.use_certificate_file(handler.certfile)
    context.use_privatekey_file(handler.keyfile)
    context.set_session_id(b"gamefold-test")
    handler.ssl_context = context
    handler.authorizer = authorizer
    handler.dtp_handler = DataHandler
    handler.passive_ports = None
    handler.masquerade_address = None
    server = FTPServer(("127.0.0.1", port), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(timeout=0.2)


if __name__ == "__main__":
    main()
