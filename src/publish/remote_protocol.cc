#include "publish/remote_protocol.h"

namespace gamefold {

namespace {

void AppendLength(std::string* message, unsigned long long length) {
  for (int i = 0; i < 8; ++i) message->push_back(static_cast<char>((length >> (8 * i)) & 0xff));
}

unsigned long long LengthAt(std::string_view bytes) {
  unsigned long long length = 0;
  for (int i = 7; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(bytes[i]);
  return length;
}

}  // namespace

std::string EncodeMessage(const std::vector<std::string_view>& fields) {
  unsigned long long body = 0;
  for (std::string_view field : fields) body += 8 + field.size();
  std::string message;
  message.reserve(8 + body);
  AppendLength(&message, body);
  for (std::string_view field : fields) {
    AppendLength(&message, field.size());
    message.append(field);
  }
  return message;
}

bool DecodeMessage(std::string_view body, std::vector<std::string>* fields) {
  fields->clear();
  while (!body.empty()) {
    if (body.size() < 8) return false;
    unsigned long long length = LengthAt(body);
    body.remove_prefix(8);
    if (length > body.size()) return false;
    fields->emplace_back(body.substr(0, length));
    body.remove_prefix(length);
  }
  return true;
}

unsigned long long DecodeLength(const char (&head)[8]) {
  return LengthAt(std::string_view(head, 8));
}

std::vector<std::string> DestinationFields(const Destination& destination) {
  return {std::to_string(static_cast<int>(destination.scheme)),
          destination.url,
          destination.user,
          destination.server,
          destination.folder,
          destination.allow_plain_ftp ? "1" : "0"};
}

bool DestinationOfFields(const std::vector<std::string>& fields, size_t first,
                         Destination* destination) {
  if (fields.size() != first + 6) return false;
  const std::string& scheme = fields[first];
  if (scheme.size() != 1 || scheme[0] < '0' || scheme[0] > '3') return false;
  destination->scheme = static_cast<Destination::Scheme>(scheme[0] - '0');
  destination->url = fields[first + 1];
  destination->user = fields[first + 2];
  destination->server = fields[first + 3];
  destination->folder = fields[first + 4];
  destination->allow_plain_ftp = fields[first + 5] == "1";
  return true;
}

}  // namespace gamefold
