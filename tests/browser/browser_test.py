#!/usr/bin/env python3
"""Opens pages written from a sample season in Debian's chromium, headless, and checks them from
the DOM the browser built: the contents links reach their games, the index links open existing
day pages, the day pages link back to the index, twin games (same title) are reached each on
its own, and hostile team names stay text. Keeps a
screenshot of each page in the artifacts folder. Fails, never skips, when chromium is missing."""

import argparse
import html.parser
import json
import pathlib
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
]
CHROMIUM_TIMEOUT = 90  # seconds a run; a hung browser must not hang the suite
# Every element the page writers produce; anything else came from a boxscore.
PAGE_ELEMENTS = {"html", "head", "title", "link", "body", "table", "tbody", "tr", "td", "a", "u",
                 "font", "hr", "pre", "br"}
HOSTILE_KEY = "20080420"
# The line score gives a team name 15 columns: the title holds the cut name, the text all of it.
HOSTILE_TITLE = "Sox & 'Cubs' 5, <script>x</scri 3"
# A day of four games of which three share one title: a doubleheader and a third game with the
# same score. Each game has a line of its own to tell them apart in the page.
TWIN_KEY = "20080425"
TWIN_TITLE = "Cubs 5, Reds 3"
TWIN_GAMES = [("Reds", 3, "Cubs", 5), ("Reds", 3, "Cubs", 5), ("Astros", 1, "Mets", 2),
              ("Cubs", 5, "Reds", 3)]
HOSTILE_LINES = ["Umpires: <script>x</script> & \"Sox & 'Cubs'\"",
                 "A line that tries to leave its block: </PRE><img src=x onerror=alert(1)>"]


class TestFailure(Exception):
    pass


class DomReader(html.parser.HTMLParser):
    """A dumped DOM's element names, its links with their text, and the text of each <pre>."""

    def __init__(self, dom):
        super().__init__(convert_charrefs=True)
        self.elements, self.links, self.blocks = [], [], []
        self._link = self._block = None
        self.feed(dom)
        self.close()

    def handle_starttag(self, tag, attrs):
        self.elements.append(tag)
        if tag == "a":
            self._link = [dict(attrs), ""]
        elif tag == "pre":
            self._block = ""

    def handle_endtag(self, tag):
        if tag == "a" and self._link is not None:
            self.links.append(tuple(self._link))
            self._link = None
        elif tag == "pre" and self._block is not None:
            self.blocks.append(self._block)
            self._block = None

    def handle_data(self, data):
        if self._link is not None:
            self._link[1] += data
        if self._block is not None:
            self._block += data


class Browser:
    def __init__(self, program, work):
        self.program, self.work = program, work

    def run(self, *args):
        # A fresh profile each run: nothing carries over from one page to the next.
        profile = tempfile.mkdtemp(prefix="profile-", dir=self.work)
        command = [self.program, *CHROMIUM_FLAGS, f"--user-data-dir={profile}", *args]
        try:
            done = subprocess.run(command, capture_output=True, timeout=CHROMIUM_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise TestFailure(f"chromium took over {CHROMIUM_TIMEOUT} s: {command}")
        if done.returncode != 0:
            raise TestFailure(f"chromium failed ({done.returncode}): {done.stderr.decode()[-2000:]}")
        return done.stdout.decode("utf-8")

    def dom(self, page):
        return DomReader(self.run("--dump-dom", page.as_uri()))

    def follow_links(self, probe, page, fragment=""):
        """What link_probe.htm reports for page: its links, where they lead, its anchors, and
        the anchor that fragment (percent-encoded, as in a link) reaches."""
        address = page.as_uri() + ("#" + fragment if fragment else "")
        url = probe.as_uri() + "#" + urllib.parse.quote(address, safe="")
        dom = DomReader(self.run("--allow-file-access-from-files", "--virtual-time-budget=10000",
                                 "--dump-dom", url))
        try:
            return json.loads(dom.blocks[0])
        except (IndexError, ValueError):
            raise TestFailure(f"the link probe did not run on {page.name}: {dom.blocks[:1]}")

    def console(self, page):
        """What the browser logs while it loads page: console messages and script errors."""
        profile = tempfile.mkdtemp(prefix="profile-", dir=self.work)
        command = [self.program, *CHROMIUM_FLAGS, f"--user-data-dir={profile}",
                   "--enable-logging=stderr", "--v=0", "--dump-dom", page.as_uri()]
        try:
            done = subprocess.run(command, capture_output=True, timeout=CHROMIUM_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise TestFailure(f"chromium took over {CHROMIUM_TIMEOUT} s: {command}")
        return done.stderr.decode("utf-8", "replace")

    def screenshot(self, page, png):
        self.run("--window-size=1100,1400", "--hide-scrollbars", f"--screenshot={png}",
                 page.as_uri())
        if not png.is_file() or png.stat().st_size == 0:
            raise TestFailure(f"no screenshot of {page.name} in {png}")


def target_file(url):
    return pathlib.Path(urllib.parse.unquote(urllib.parse.urlsplit(url).path))


def check(condition, message, failures):
    if not condition:
        failures.append(message)


def check_day_page(page, dom, links, failures):
    name = page.name
    check(set(dom.elements) <= PAGE_ELEMENTS,
          f"{name}: elements not written by the page writer: {set(dom.elements) - PAGE_ELEMENTS}",
          failures)
    check(links["scripts"] == 0, f"{name}: {links['scripts']} script elements", failures)
    fragments = [link for link in links["links"] if link["href"].startswith("#")]
    contents = [link for link in fragments if link["href"] != "#TOP"]
    check(len(contents) == len(dom.blocks) > 0,
          f"{name}: {len(contents)} contents links for {len(dom.blocks)} games", failures)
    # Anchor 0 is the heading's TOP; game i's anchor comes after it.
    for game, link in enumerate(contents, start=1):
        reached = link["reached"]
        check(reached == game and links["anchors"][reached] == link["text"],
              f"{name}: contents link {link['href']!r} reached anchor {reached}, not {game}",
              failures)
    check(all(link["reached"] == 0 for link in fragments if link["href"] == "#TOP"),
          f"{name}: a back link misses the top of the day", failures)
    index_links = [link for link in links["links"] if not link["href"].startswith("#")]
    check(len(index_links) == len(contents) + 1, f"{name}: {len(index_links)} index links",
          failures)
    for link in index_links:
        target = target_file(link["url"])
        check(target == page.parent / "GamesIndex.htm" and target.is_file(),
              f"{name}: index link {link['url']} opens nothing", failures)


def check_index(page, dom, links, failures):
    check(set(dom.elements) <= PAGE_ELEMENTS,
          f"index: unexpected elements {set(dom.elements) - PAGE_ELEMENTS}", failures)
    linked = set()
    for link in links["links"]:
        target = target_file(link["url"])
        key = target.name[len("GamesOf"):-len(".htm")]
        check(target.parent == page.parent and target.is_file() and
              link["text"].strip() == key[6:],
              f"index: link {link['href']!r} ({link['text'].strip()}) opens no day page", failures)
        linked.add(target.name)
    pages = {path.name for path in page.parent.glob("GamesOf*.htm")}
    check(linked == pages, f"index: links {sorted(linked)}, pages {sorted(pages)}", failures)


def check_hostile(dom, failures):
    titles = [text for attrs, text in dom.links if "name" in attrs and attrs["name"] != "TOP"]
    contents = [text for attrs, text in dom.links if attrs.get("href", "#TOP") != "#TOP"
                and attrs["href"].startswith("#")]
    check(titles == [HOSTILE_TITLE] and contents == [HOSTILE_TITLE],
          f"hostile day: titles shown as {titles} and {contents}", failures)
    text = dom.blocks[0].splitlines() if dom.blocks else []
    for line in HOSTILE_LINES:
        check(line in text, f"hostile day: {line!r} is not shown as text", failures)


def write_twin_day(boxes):
    """Writes the boxscores of the twin day, in the layout of a line score."""
    header = " " * 22 + "1  2  3" + "  R  H  E"
    runs_column = header.index("  R  H  E")
    for number, (first, first_runs, second, second_runs) in enumerate(TWIN_GAMES, start=1):
        lines = ["TWIN LEAGUE GAME REPORT",
                 f"BOXSCORE     Game {number:05d}     Friday, April 25 2008",
                 f"{first} at {second}", "", header]
        for team, runs in ((first, first_runs), (second, second_runs)):
            lines.append(f"     {team}".ljust(runs_column) + f"{runs:>3}  7  0")
        lines += ["", f"Only in game {number}"]
        (boxes / f"{TWIN_KEY}{number:05d}.BOX").write_bytes("\r\n".join(lines).encode() + b"\r\n")


def check_twins(dom, links, failures):
    """The twin day's anchors and contents links are one to a game (check_day_page follows them)
    and its titles stay as they are."""
    contents = [link for link in links["links"]
                if link["href"].startswith("#") and link["href"] != "#TOP"]
    names = [attrs["name"] for attrs, _ in dom.links if attrs.get("name", "TOP") != "TOP"]
    titles = [text for attrs, text in dom.links if attrs.get("name", "TOP") != "TOP"]
    check([link["text"] for link in contents] == titles ==
          [TWIN_TITLE, TWIN_TITLE, "Mets 2, Astros 1", TWIN_TITLE],
          f"twin day: titles {titles}, contents {[link['text'] for link in contents]}", failures)
    check(len(set(names)) == len(names) == len(TWIN_GAMES),
          f"twin day: anchors {names} are not one to a game", failures)
    check(len({link["href"] for link in contents}) == len(contents),
          f"twin day: contents links {[link['href'] for link in contents]} repeat", failures)
    for game, block in enumerate(dom.blocks, start=1):
        check(f"Only in game {game}" in block, f"twin day: game {game} shows another's text",
              failures)


def check_site_links(page, links, browser, probe, failures):
    """Every link of a page of the league's site opens a file beside it, and one with a "#" the
    anchor it names there, as the browser reaches it."""
    name = page.name
    check(links["scripts"] == 0, f"{name}: {links['scripts']} script elements", failures)
    check(len(links["links"]) > 0, f"{name}: no links", failures)
    reached = {}
    for link in links["links"]:
        target = target_file(link["url"])
        check(target.parent == page.parent and target.is_file(),
              f"{name}: link {link['href']!r} opens nothing", failures)
        fragment = urllib.parse.urlsplit(link["url"]).fragment
        if not fragment or not target.is_file():
            continue
        if link["url"] not in reached:
            reached[link["url"]] = browser.follow_links(probe, pathlib.Path(target),
                                                        fragment)["target"]
        wanted = urllib.parse.unquote(fragment)
        check(reached[link["url"]] == wanted,
              f"{name}: link {link['href']!r} reached {reached[link['url']]!r}, not {wanted!r}",
              failures)


def check_no_console_error(browser, page, failures):
    log = browser.console(page)
    errors = [line for line in log.splitlines() if "CONSOLE" in line or "Uncaught" in line]
    check(not errors, f"{page.name}: console says {errors}", failures)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in ("--batch", "--sample-season", "--boxscores", "--style-sheet", "--artifacts"):
        parser.add_argument(option, required=True, type=pathlib.Path)
    args = parser.parse_args()
    program = shutil.which("chromium")
    if program is None:
        print("FAIL: chromium is not installed; tools/install-deps.sh installs it", file=sys.stderr)
        return 1
    args.artifacts.mkdir(parents=True, exist_ok=True)
    failures = []
    with tempfile.TemporaryDirectory(prefix="gamefold-browser-") as work:
        work = pathlib.Path(work)
        boxes, web = work / "boxes", work / "web"
        web.mkdir()
        subprocess.run([args.sample_season, "--days", "4", boxes], check=True, timeout=60,
                       stdout=subprocess.DEVNULL)
        for boxscore in args.boxscores.glob("*.BOX"):
            shutil.copy(boxscore, boxes)
        write_twin_day(boxes)
        subprocess.run([args.batch, "process", "--index", boxes, web], check=True, timeout=60)
        shutil.copy(args.style_sheet, web)

        browser = Browser(program, work)
        probe = pathlib.Path(__file__).with_name("link_probe.htm")
        for page in [web / "GamesOf20080401.htm", web / f"GamesOf{HOSTILE_KEY}.htm",
                     web / f"GamesOf{TWIN_KEY}.htm", web / "GamesIndex.htm"]:
            browser.screenshot(page, args.artifacts / (page.stem + ".png"))
            dom, links = browser.dom(page), browser.follow_links(probe, page)
            if page.name == "GamesIndex.htm":
                check_index(page, dom, links, failures)
            else:
                check_day_page(page, dom, links, failures)
            if HOSTILE_KEY in page.name:
                check_hostile(dom, failures)
            if TWIN_KEY in page.name:
                check_twins(dom, links, failures)

        # The league's site: the standings, two team pages, a day page with its
        # links to the days around it and to the standings.
        site = work / "site"
        site.mkdir()
        subprocess.run([args.batch, "process", "--index", "--site", "-q", boxes, site],
                       check=True, timeout=60)
        shutil.copy(args.style_sheet, site)
        for page in [site / "Standings.htm", site / "GamesOf20080402.htm", site / "GamesIndex.htm",
                     *sorted(site.glob("Team-*.htm"))[:2]]:
            browser.screenshot(page, args.artifacts / ("site-" + page.stem + ".png"))
            check_site_links(page, browser.follow_links(probe, page), browser, probe, failures)
            check_no_console_error(browser, page, failures)
    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    print(f"screenshots in {args.artifacts}")
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (TestFailure, subprocess.SubprocessError) as error:
        print("FAIL:", error, file=sys.stderr)
        sys.exit(1)
