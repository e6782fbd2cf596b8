#!/usr/bin/env python3
"""The manual pages against the programs' own --help, read at test time.

velmar-cli(1): every command --help lists has an entry under COMMANDS whose
synopsis shows the arguments its --help shows, in order, and every option
its --help lists (in the synopsis or the entry's text); no entry names a
command, argument or option the command does not take; OPTIONS holds
exactly the options velmar-cli --help lists; every example runs a command
with options it takes; and every option the page names anywhere is one of
the program's.

velmar(1): OPTIONS holds exactly the options velmar --help lists, every
command line --help shows (its load forms and examples) is on the page, and
every velmar command line the page shows outside SYNOPSIS is one --help
shows.

  ManualPageTest.py MAN_DIR VELMAR_CLI [VELMAR]
"""
import re
import shlex
import subprocess
import sys

failures = []


def fail(message):
    failures.append(message)


# ---- --help ----

def run_help(program, *words):
    result = subprocess.run([program, *words, "--help"], capture_output=True, text=True, check=False)
    if result.returncode != 0:
        sys.exit(f"{program} {' '.join(words)} --help failed: {result.stderr}")
    return result.stdout


class Help:
    """What one --help text lists: options (long names, and whether each
    takes a value), subcommands, positional arguments and its other lines."""

    def __init__(self, text):
        self.options = {}
        self.subcommands = []
        self.positionals = []
        self.lines = text.splitlines()
        section = None
        for line in self.lines:
            if line.startswith("Usage:"):
                words = line.split()[2:]
                self.positionals = [w.strip("[]").rstrip(".") for w in words
                                    if w not in ("[OPTIONS]", "SUBCOMMAND") and w.strip("[]")[:1].isupper()
                                    and not w.startswith("[OPTIONS")]
                continue
            if re.match(r"^[A-Za-z ]+:$", line):
                section = line[:-1].lower()
                continue
            if section == "options" and re.match(r"^ +-", line):
                fields = line.split()
                takes_value = len(fields) > 1 and re.match(r"^(TEXT|INT|UINT|FLOAT|NUMBER)", fields[1]) is not None
                for name in fields[0].split(","):
                    self.options[name] = takes_value
            elif section == "subcommands" and re.match(r"^  +[a-z]", line):
                self.subcommands.append(line.split()[0])


def cli_commands(cli):
    """Every command path of velmar-cli that runs something, with its Help."""
    commands = {}

    def walk(path):
        h = Help(run_help(cli, *path))
        if path and not h.subcommands:
            commands[" ".join(path)] = h
        for sub in h.subcommands:
            walk(path + [sub])

    walk([])
    return commands


# ---- The manual page ----

def plain(text):
    """roff text without its font changes and escapes."""
    text = re.sub(r"\\f(\[[^]]*\]|\(..|.)", "", text)
    for escape, character in (("\\-", "-"), ("\\e", "\\"), ("\\(en", "-"), ("\\(em", "-"), ("\\(->", "->"),
                              ("\\&", ""), ("\\|", ""), ("\\ ", " ")):
        text = text.replace(escape, character)
    return text


def macro_text(line):
    """The text a line puts on the page: a font macro's arguments joined as
    roff joins them (alternating macros without a space)."""
    if not line.startswith("."):
        return plain(line)
    name, _, rest = line[1:].partition(" ")
    try:
        args = shlex.split(rest.replace("\\", "\\\\"), posix=True)
    except ValueError:
        args = rest.split()
    args = [a.replace("\\\\", "\\") for a in args]
    if name in ("B", "I", "SM", "SB"):
        return plain(" ".join(args))
    if name in ("BI", "BR", "IB", "IR", "RB", "RI"):
        return plain("".join(args))
    return ""


class Page:
    """Sections of a manual page, each a list of entries: (tag, body) for
    a .TP paragraph, (None, text) for any other paragraph."""

    def __init__(self, path):
        self.sections = {}
        self.raw = {}
        section = None
        entry = None
        expect_tag = False
        for line in open(path, encoding="utf-8").read().splitlines():
            if line.startswith('.\\"'):
                continue
            if line.startswith(".SH"):
                section = plain(line[3:].strip().strip('"'))
                self.sections[section] = []
                self.raw[section] = []
                entry = None
                continue
            if section is None:
                continue
            self.raw[section].append(line)
            if line.startswith(".TP"):
                expect_tag = True
                continue
            if line.startswith((".PP", ".LP", ".P ", ".SS", ".RE", ".RS")) or line in (".P",):
                entry = None
                continue
            if line.startswith((".nf", ".fi", ".br", ".sp", ".in")):
                if line.startswith((".nf", ".fi")):
                    entry = None
                continue
            text = macro_text(line)
            if expect_tag:
                entry = [text, ""]
                self.sections[section].append(entry)
                expect_tag = False
            elif entry is None:
                entry = [None, text]
                self.sections[section].append(entry)
            else:
                entry[1] += " " + text

    def text(self, section=None):
        names = [section] if section else list(self.sections)
        return " ".join(" ".join(filter(None, e)) for n in names for e in self.sections.get(n, []))

    def lines(self, section):
        """A section's text lines as they stand in no-fill blocks (each an
        example line), continuation backslashes joined."""
        out, inside, pending = [], False, ""
        for line in self.raw.get(section, []):
            if line.startswith(".nf"):
                inside = True
            elif line.startswith(".fi"):
                inside = False
            elif inside and not line.startswith("."):
                text = pending + plain(line)
                if text.endswith("\\"):
                    pending = text[:-1]
                else:
                    out.append(" ".join(text.split()))
                    pending = ""
        return out


def long_options(text):
    return set(re.findall(r"(?<![\w-])--[a-z][a-z0-9-]*", text))


def options_of_tags(entries):
    found = set()
    for tag, _ in entries:
        if tag:
            found |= set(re.findall(r"(?<![\w-])--?[a-z][a-z0-9-]*", tag))
    return found


def split_synopsis(tag, known_words):
    """A command entry's tag: its command path, its positional arguments and
    the options it shows. Words after an option that takes a value are the
    value, not arguments."""
    words = tag.replace("[", " [ ").replace("]", " ] ").split()
    path = []
    while words and re.match(r"^[a-z][a-z0-9-]*$", words[0]) and words[0] in known_words:
        path.append(words.pop(0))
    return " ".join(path), words


def check_cli(page, cli):
    commands = cli_commands(cli)
    top = Help(run_help(cli))
    global_options = {n for n in top.options}
    words = {w for c in commands for w in c.split()}
    entries = {}
    for tag, body in page.sections.get("COMMANDS", []):
        if tag is None:
            continue
        path, rest = split_synopsis(tag, words)
        if not path:
            fail(f"velmar-cli(1): COMMANDS entry \"{tag}\" names no velmar-cli command")
            continue
        if path in entries:
            fail(f"velmar-cli(1): two COMMANDS entries for {path}")
        entries[path] = (rest, body)

    for path in commands:
        if path not in entries:
            fail(f"velmar-cli(1): no COMMANDS entry for `{path}` (velmar-cli {path} --help)")
    for path in entries:
        if path not in commands:
            fail(f"velmar-cli(1): COMMANDS has `{path}`, which velmar-cli --help does not list")

    for path, (rest, body) in entries.items():
        h = commands.get(path)
        if not h:
            continue
        own = {n for n in h.options if n not in ("-h", "--help")}
        shown_options, arguments = [], []
        skip_value = False
        for w in rest:
            if w in ("[", "]", "|", "...", "]..."):
                continue
            if w.startswith("-"):
                name = w.split("=")[0]
                shown_options.append(name)
                skip_value = h.options.get(name, False) and "=" not in w
                continue
            if skip_value:
                skip_value = False
                continue
            arguments.append(w.rstrip("."))
        for name in shown_options:
            if name not in own:
                fail(f"velmar-cli(1): `{path}` shows {name}, which velmar-cli {path} --help does not list")
        if arguments != h.positionals:
            fail(f"velmar-cli(1): `{path}` shows the arguments {arguments or 'none'}; "
                 f"velmar-cli {path} --help shows {h.positionals or 'none'}")
        documented = set(shown_options) | long_options(body)
        for name in sorted(own - documented):
            if name.startswith("--"):
                fail(f"velmar-cli(1): `{path}` leaves out {name} (velmar-cli {path} --help lists it)")
        for name in sorted(long_options(body) - own - global_options):
            fail(f"velmar-cli(1): the entry of `{path}` names {name}, which it does not take")

    documented = options_of_tags(page.sections.get("OPTIONS", []))
    for name in sorted(global_options - documented):
        fail(f"velmar-cli(1): OPTIONS leaves out {name} (velmar-cli --help lists it)")
    for name in sorted(documented - global_options):
        fail(f"velmar-cli(1): OPTIONS has {name}, which velmar-cli --help does not list")

    every = set(global_options)
    for h in commands.values():
        every |= set(h.options)
    for name in sorted(long_options(page.text()) - every):
        fail(f"velmar-cli(1) names {name}, which no velmar-cli --help lists")

    for line in page.lines("EXAMPLES"):
        check_example(line, commands, top)


def check_example(line, commands, top):
    try:
        words = shlex.split(line)
    except ValueError:
        words = line.split()
    if not words or words[0] != "velmar-cli":
        return
    i, path = 1, []
    while i < len(words):
        w = words[i]
        if w.startswith("-"):
            name = w.split("=")[0]
            h = commands.get(" ".join(path)) if path else top
            takes = top.options.get(name)
            if takes is None and h is not None:
                takes = h.options.get(name)
            if takes is None:
                fail(f"velmar-cli(1) example \"{line}\": {name} is no option of velmar-cli {' '.join(path)}".rstrip())
                return
            i += 2 if takes and "=" not in w else 1
            continue
        if " ".join(path + [w]) in commands or any(c.startswith(" ".join(path + [w]) + " ") for c in commands):
            path.append(w)
        elif " ".join(path) not in commands:
            fail(f"velmar-cli(1) example \"{line}\": {' '.join(path + [w])} is no velmar-cli command")
            return
        i += 1
    if " ".join(path) not in commands:
        fail(f"velmar-cli(1) example \"{line}\" names no command")


def check_app(page, app):
    h = Help(run_help(app))
    options = set(h.options)
    documented = options_of_tags(page.sections.get("OPTIONS", []))
    for name in sorted(options - documented):
        fail(f"velmar(1): OPTIONS leaves out {name} (velmar --help lists it)")
    for name in sorted(documented - options):
        fail(f"velmar(1): OPTIONS has {name}, which velmar --help does not list")
    for name in sorted(long_options(page.text()) - options):
        fail(f"velmar(1) names {name}, which velmar --help does not list")

    # Command lines --help shows: a line that starts with "velmar ", up to
    # the two spaces before its explanation.
    forms = []
    for line in h.lines:
        text = line.strip()
        if text.startswith("velmar "):
            forms.append(" ".join(re.split(r"\s{2,}", text)[0].split()))
    shown = " ".join(page.text().split())
    for form in forms:
        if form not in shown:
            fail(f"velmar(1) does not show `{form}`, which velmar --help shows")
    # Command lines the page shows: example lines, and bold runs in the text.
    on_page = []
    for name, raw in page.raw.items():
        if name == "SYNOPSIS":
            continue
        on_page += [l for l in page.lines(name) if l.startswith("velmar ")]
        source = plain("\n".join(l for l in raw if not l.startswith(".")).replace("\\fB", "\x01")
                       .replace("\\fR", "\x02").replace("\\fP", "\x02"))
        on_page += [" ".join(m.split()) for m in re.findall(r"\x01(velmar [^\x01\x02]*)\x02", source)]
    for form in on_page:
        if form not in forms:
            fail(f"velmar(1) shows `{form}`, which velmar --help does not show")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    man_dir, cli = sys.argv[1], sys.argv[2]
    check_cli(Page(f"{man_dir}/velmar-cli.1"), cli)
    if len(sys.argv) > 3:
        check_app(Page(f"{man_dir}/velmar.1"), sys.argv[3])
    for f in failures:
        print("FAIL:", f)
    if failures:
        sys.exit(1)
    print("ok")


main()
