#!/usr/bin/env python3
"""Every command and option yarvelin-feed's --help output names is in its man page and its bash completion.

    cli_docs_test.py YARVELIN_FEED MAN_PAGE_SOURCE BASH_COMPLETION

The commands come from `yarvelin-feed --help`, each command's options from `yarvelin-feed COMMAND --help`.
The man page must document each option in its command's section (options every command has may be
documented once, under OPTIONS); completing `yarvelin-feed COMMAND -` must offer each long option.
"""
import re
import subprocess
import sys

OPTION = re.compile(r"(?:^|(?<=[\s,\[|(]))(--?[A-Za-z][A-Za-z0-9-]*)")


def run_help(program, *args):
    result = subprocess.run([program, *args, "--help"], capture_output=True, text=True, timeout=30)
    if result.returncode != 0:
        sys.exit(f"{program} {' '.join(args)} --help exited with {result.returncode}: {result.stderr}")
    return result.stdout


def commands_of(top_help):
    """The command names listed under a "Commands:" or "Subcommands:" heading."""
    names, listing = [], False
    for line in top_help.splitlines():
        if re.match(r"^\s*(Sub)?[Cc]ommands:\s*$", line):
            listing = True
            continue
        if listing:
            name = re.match(r"^\s+([a-z][a-z0-9-]*)(\s|$)", line)
            if name:
                names.append(name.group(1))
            elif line.strip() or names:
                listing = False
    return names


def options_of(help_text):
    return set(OPTION.findall(help_text))


def man_sections(source):
    """The man page as plain text, split into the general part and one part per command (.SS heading)."""
    text = source.replace("\\-", "-").replace("\\(dq", '"')
    text = re.sub(r"\\f[BIRP]", "", text)
    sections, current = {"": []}, ""
    for line in text.splitlines():
        heading = re.match(r'^\.SS\s+"?([A-Za-z0-9-]+)', line)
        if heading:
            current = heading.group(1)
            sections.setdefault(current, [])
        elif re.match(r"^\.SH\s", line) and current:
            current = ""
        sections[current].append(line)
    return {name: "\n".join(lines) for name, lines in sections.items()}


def mentions(text, option):
    return re.search(r"(?<![A-Za-z0-9-])" + re.escape(option) + r"(?![A-Za-z0-9-])", text) is not None


def complete(completion, words):
    """COMPREPLY for the command line `words` (the last one is being completed)."""
    script = (
        'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); '
        'COMP_LINE="${COMP_WORDS[*]}"; COMP_POINT=${#COMP_LINE}; _yarvelin_feed; '
        'printf "%s\\n" "${COMPREPLY[@]}"'
    )
    result = subprocess.run(["bash", "-c", script, "sh", completion, *words], capture_output=True, text=True,
                            timeout=30)
    if result.returncode != 0:
        sys.exit(f"completing {words} failed: {result.stderr}")
    return set(result.stdout.split())


def main():
    program, man_source, completion = sys.argv[1:4]
    with open(man_source, encoding="utf-8") as f:
        man = man_sections(f.read())
    failures = []

    top_help = run_help(program)
    commands = commands_of(top_help)
    if len(commands) < 2:
        failures.append(f"found no commands in `yarvelin-feed --help`:\n{top_help}")
    per_command = {c: options_of(run_help(program, c)) for c in commands}
    common = set.intersection(*per_command.values()) if per_command else set()

    top_completion = complete(completion, ["yarvelin-feed", ""])
    for option in sorted(options_of(top_help)):
        if not mentions(man[""], option):
            failures.append(f"the man page's OPTIONS do not mention {option}")
        if option.startswith("--") and option not in complete(completion, ["yarvelin-feed", "-"]):
            failures.append(f"the completion does not offer {option}")
    for command, options in per_command.items():
        if command not in man:
            failures.append(f"the man page has no section (.SS) for the command {command}")
        if command not in top_completion:
            failures.append(f"the completion does not offer the command {command}")
        offered = complete(completion, ["yarvelin-feed", command, "-"])
        for option in sorted(options):
            documented = mentions(man.get(command, ""), option) or (option in common and mentions(man[""], option))
            if not documented:
                failures.append(f"the man page does not document {command} {option}")
            if option.startswith("--") and option not in offered:
                failures.append(f"the completion does not offer {option} after {command}")

    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(commands)} commands, {sum(len(o) for o in per_command.values())} options checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
