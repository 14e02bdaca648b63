#!/usr/bin/env python3
"""Turns the script-language reference (a plain subset of Markdown) into a manual page, so the
page and the document never disagree: usage: markdown_to_man.py IN.md OUT.5 VERSION"""
import re
import sys


def inline(text):
    text = text.replace("\\|", "|").replace("\\", "\\e")
    text = re.sub(r"`([^`]*)`", r"\\fB\1\\fR", text)
    text = re.sub(r"(?<![\w*])\*([^*]+)\*(?![\w*])", r"\\fI\1\\fR", text)
    return text


def line_out(text):
    # A line beginning with "." or "'" would be read as a request.
    return "\\&" + text if text[:1] in (".", "'") else text


def cells(row):
    row = row.strip().replace("\\|", "\x00")
    return [c.strip().replace("\x00", "\\|") for c in row.strip("|").split("|")]


def convert(lines, version):
    out = [f'.TH ZENTIL-SCRIPT 5 "" "Zentil {version}" "File Formats"', ".SH NAME",
           "zentil-script \\- the Zentil presentation script language", ".SH DESCRIPTION"]
    paragraph, in_code, table = [], False, []

    def flush():
        nonlocal paragraph, table
        if paragraph:
            out.append(".PP")
            out.extend(line_out(inline(p)) for p in paragraph)
            paragraph = []
        header = cells(table[0]) if table else []
        for row in table[2:]:  # header and rule left out
            c = cells(row)
            out.append(".TP")
            if len(c) > 2 and header[1] == "Default":
                tag, body = c[0], c[2] + (f" (default: {c[1]})" if c[1] else "")
            else:
                tag = " ".join(x for x in c[:-1] if x and x != "none")
                body = c[-1]
            out.append(line_out(inline(tag)))
            out.append(line_out(inline(body)))
        table = []

    for raw in lines[1:]:  # the first line is the title
        line = raw.rstrip("\n")
        if line.startswith("```"):
            flush()
            out.append(".RS\n.nf" if not in_code else ".fi\n.RE")
            in_code = not in_code
        elif in_code:
            out.append(line_out(line.replace("\\", "\\e")))
        elif line.startswith("### "):
            flush()
            out.append(".SS " + inline(line[4:]))
        elif line.startswith("## "):
            flush()
            out.append('.SH "' + inline(line[3:]).upper() + '"')
        elif line.startswith("|"):
            if paragraph:
                flush()
            table.append(line)
        elif not line.strip():
            flush()
        else:
            paragraph.append(line.strip())
    flush()
    out += [".SH SEE ALSO", ".BR zentil (1),", ".BR zentil-tool (1)"]
    return "\n".join(out).replace("\u2014", "\\(em").replace("\u00d7", "\\(mu") + "\n"


def main():
    source, target, version = sys.argv[1:4]
    with open(source, encoding="utf-8") as f:
        text = convert(f.readlines(), version)
    with open(target, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
