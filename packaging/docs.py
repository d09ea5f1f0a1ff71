#!/usr/bin/env python3
"""Makes the installed documents that come from the programs themselves.

  docs.py manpage PROGRAM NAME-LINE INCLUDE OUT.1.gz [--subcommands]
  docs.py completion PROGRAM OUT
  docs.py changelog IN OUT.gz

Manual pages are help2man's reading of --help and --version, with the
hand-written sections of INCLUDE. With --subcommands every subcommand the
help lists gets a section made from its own --help, and the completion is
made from the same help, so a new subcommand appears in both without edits.
Output is reproducible: ZEMBRA_RELEASE_DATE (YYYY-MM-DD) dates the pages
and the changelog, gzip stores no name and no time.
"""

import datetime
import email.utils
import gzip
import os
import re
import shlex
import subprocess
import sys
import tempfile

ENTRY = re.compile(r"^  (\S.*?)(?: {2,}(\S.*))?$")
CONTINUATION = re.compile(r"^ {4,}(\S.*)$")


def run_help(program, *args):
    result = subprocess.run(
        [program, *args, "--help"], capture_output=True, text=True, check=False
    )
    if result.returncode != 0:
        sys.exit(f"docs.py: {program} {' '.join(args)} --help failed: {result.stderr.strip()}")
    return result.stdout


def parse_help(text):
    """CLI11 help: a summary, a usage line, then headed lists of entries."""
    summary, usage, sections, current = [], "", {}, None
    for line in text.splitlines():
        if line.startswith("Usage:"):
            usage = line[len("Usage:"):].strip()
        elif re.match(r"^\S.*:$", line):
            current = sections.setdefault(line[:-1].lower(), [])
        elif current is None:
            if line.strip():
                summary.append(line.strip())
        elif (m := CONTINUATION.match(line)) and current and not ENTRY.match(line):
            current[-1][1] = (current[-1][1] + " " + m.group(1)).strip()
        elif m := ENTRY.match(line):
            current.append([m.group(1).strip(), m.group(2) or ""])
    return {"summary": " ".join(summary), "usage": usage, "sections": sections}


def subcommands(program):
    return [name for name, _ in parse_help(run_help(program))["sections"].get("subcommands", [])]


def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in ".'" else text


def entry_roff(name, description):
    # "-o,--output TEXT": the switches bold, the value's type in italics.
    switches, _, value = name.partition(" ")
    head = ", ".join(f"\\fB{roff(s)}\\fR" for s in switches.split(","))
    if value:
        head += " \\fI" + roff(value) + "\\fR"
    return f".TP\n{head}\n{roff(description)}\n"


def subcommand_section(program, name):
    parsed = parse_help(run_help(program, name))
    out = f'.SS "{roff(parsed["usage"])}"\n{roff(parsed["summary"])}\n'
    for heading in ("positionals", "options"):
        for entry, description in parsed["sections"].get(heading, []):
            if entry.startswith("-h,--help"):
                continue
            out += entry_roff(entry, description)
    return out


def manpage(program, name_line, include, output, with_subcommands):
    base = os.path.basename(program)
    with open(include, encoding="utf-8") as f:
        extra = f.read()
    if with_subcommands:
        sections = [subcommand_section(program, s) for s in subcommands(program)]
        extra = "[SUBCOMMANDS]\n" + "".join(sections) + "\n" + extra
    with tempfile.TemporaryDirectory() as tmp:
        # help2man names the page after the program it runs.
        link = os.path.join(tmp, base)
        os.symlink(os.path.abspath(program), link)
        with open(os.path.join(tmp, "include.h2m"), "w", encoding="utf-8") as f:
            f.write(extra)
        env = dict(os.environ, SOURCE_DATE_EPOCH=str(int(release_date().timestamp())))
        page = subprocess.run(
            ["help2man", "--no-info", "--no-discard-stderr", f"--name={name_line}",
             f"--include={os.path.join(tmp, 'include.h2m')}", link],
            capture_output=True, text=True, check=False, env=env,
        )
    if page.returncode != 0:
        sys.exit(f"docs.py: help2man {base} failed: {page.stderr.strip()}")
    text = page.stdout
    if with_subcommands:
        # The help's own short list is superseded by the SUBCOMMANDS section.
        text = re.sub(r'\.SS "Subcommands:"\n(?:\.TP\n.*\n.*\n)*', "", text)
    write_gzip(output, text.encode("utf-8"))


def value_completion(entry, description):
    """The bash that completes an option's value or a positional, read from its help:
    a set of choices, nothing for a number, a folder, files of one ending, any file."""
    switches, _, value = entry.partition(" ")
    if m := re.search(r":\{([^}]*)\}", value):
        return f"COMPREPLY=($(compgen -W {shlex.quote(' '.join(m.group(1).split(',')))} -- \"$cur\"))"
    if re.match(r"(U?INT|FLOAT|NUMBER)\b", value):
        return ":"
    if re.search(r"\b(folder|dir|directory)\b", f"{entry} {description}", re.IGNORECASE):
        return "_filedir -d"
    # A file to write may have any ending the program takes.
    if "--output" in switches.split(","):
        return "_filedir"
    ending = re.search(r"\.([A-Za-z0-9]{2,4})\b", description)
    ending = ending.group(1) if ending else None
    for kind in ("JSON", "VAG"):
        if not ending and re.search(rf"\b{kind}\b", description):
            ending = kind
    if ending:
        return f"_filedir {ending.lower()}"  # _filedir adds the upper-case ending itself
    return "_filedir"


def completion(program):
    base = os.path.basename(program)
    function = "_" + re.sub(r"\W", "_", base)
    cases = []
    for sub in subcommands(program):
        parsed = parse_help(run_help(program, sub))["sections"]
        flags, valued, positional = [], [], "_filedir"
        for entry, description in parsed.get("options", []):
            switches, _, value = entry.partition(" ")
            flags += switches.split(",")
            if value:
                valued.append(f"{'|'.join(switches.split(','))}) {value_completion(entry, description)}; return ;;")
        for entry, description in parsed.get("positionals", [])[:1]:
            positional = value_completion(entry, description)
        cases.append((sub, flags, valued, positional))
    lines = [
        f"# bash completion for {base}; made from its --help when it was built.",
        f"{function}() {{",
        "  local cur prev words cword",
        "  _init_completion || return",
        "  local sub='' i",
        "  for ((i = 1; i < cword; i++)); do",
        "    [[ ${words[i]} != -* ]] && sub=${words[i]} && break",
        "  done",
        "  if [[ -z $sub ]]; then",
        "    if [[ $cur == -* ]]; then",
        "      COMPREPLY=($(compgen -W '--help --version' -- \"$cur\"))",
        "    else",
        f"      COMPREPLY=($(compgen -W {shlex.quote(' '.join(c[0] for c in cases))} -- \"$cur\"))",
        "    fi",
        "    return",
        "  fi",
        "  case $sub in",
    ]
    for sub, flags, valued, positional in cases:
        lines.append(f"    {sub})")
        if valued:
            lines.append("      case $prev in")
            lines += [f"        {v}" for v in valued]
            lines.append("      esac")
        lines.append("      if [[ $cur == -* ]]; then")
        lines.append(f"        COMPREPLY=($(compgen -W {shlex.quote(' '.join(flags))} -- \"$cur\"))")
        lines.append("      else")
        lines.append(f"        {positional}")
        lines.append("      fi")
        lines.append("      ;;")
    lines += ["  esac", "}", f"complete -F {function} {base}", ""]
    return "\n".join(lines)


def release_date():
    text = os.environ.get("ZEMBRA_RELEASE_DATE", "")
    try:
        day = datetime.datetime.strptime(text, "%Y-%m-%d")
    except ValueError:
        sys.exit(f"docs.py: ZEMBRA_RELEASE_DATE is not a YYYY-MM-DD date: {text!r}")
    return day.replace(tzinfo=datetime.timezone.utc)


def write_gzip(path, data):
    with open(path, "wb") as raw, gzip.GzipFile(
        filename="", mode="wb", fileobj=raw, compresslevel=9, mtime=0
    ) as f:
        f.write(data)


def main(argv):
    if len(argv) >= 5 and argv[0] == "manpage":
        manpage(argv[1], argv[2], argv[3], argv[4], "--subcommands" in argv[5:])
    elif len(argv) == 3 and argv[0] == "completion":
        with open(argv[2], "w", encoding="utf-8") as f:
            f.write(completion(argv[1]))
    elif len(argv) == 3 and argv[0] == "changelog":
        with open(argv[1], encoding="utf-8") as f:
            text = f.read().replace("%DATE%", email.utils.format_datetime(release_date()))
        write_gzip(argv[2], text.encode("utf-8"))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
