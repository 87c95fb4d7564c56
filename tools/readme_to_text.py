"""The user's part of README.md as plain text for Notepad: README.txt.

Reads README.md on standard input up to the builders' heading and writes text
with no Markdown markup, no picture, no link to anything outside the zip, and
no line longer than 80 characters, so that the two cannot drift apart.
Usage: python3 readme_to_text.py "## For those who build it" <README.md
"""
import re
import sys
import textwrap

WIDTH = 80


def slug(heading):
    return re.sub(r"[^a-z0-9 -]", "", heading.lower()).replace(" ", "-")


# The headings the text keeps; set by convert().
KEPT = set()
LINK = r"\[([^\]]+)\]\(([^)]+)\)"


def inline(text):
    # A pointer to what the zip does not hold (the source's docs, the
    # builders' part) goes with the words that point; a link outside keeps
    # its address; one to a heading of the text keeps its words alone.
    def gone(target):
        return not target.startswith("http") and target.lstrip("#") not in KEPT

    def pointer(match):
        return "" if gone(re.search(LINK, match.group(0)).group(2)) else match.group(0)

    text = re.sub(r"\s*\(see " + LINK + r"\)", pointer, text)
    text = re.sub(r"\s*See " + LINK + r"\.", pointer, text)

    def link(match):
        words, target = match.group(1), match.group(2)
        return f"{words} ({target})" if target.startswith("http") else words

    text = re.sub(LINK, link, text)
    return text.replace("**", "").replace("`", "")


def wrap(text, first, rest):
    return textwrap.wrap(inline(text), WIDTH, initial_indent=first, subsequent_indent=rest,
                         break_long_words=False, break_on_hyphens=False)


def indent_of(line):
    return len(line) - len(line.lstrip(" "))


def table(rows):
    cells = [[inline(c.strip()) for c in row.strip().strip("|").split("|")] for row in rows]
    header, body = cells[0], [r for r in cells[2:]]
    lines = []
    for row in body:
        first = row[0] + ": " if len(row) > 1 else ""
        rest = "; ".join(f"{h.lower()}: {c}" if i else c
                         for i, (h, c) in enumerate(zip(header[1:], row[1:]))
                         if c) if len(row) > 2 else (row[1] if len(row) > 1 else row[0])
        lines += textwrap.wrap(first + rest, WIDTH, initial_indent="- ", subsequent_indent="  ",
                               break_long_words=False, break_on_hyphens=False)
    return lines


def paragraph(lines):
    if lines[0].lstrip().startswith("|"):
        return table(lines)
    if all(indent_of(l) >= 4 for l in lines) and not lines[0].lstrip().startswith("- "):
        return [l.rstrip() for l in lines]
    out, item = [], []

    def flush():
        if item:
            depth = indent_of(item[0])
            text = " ".join(l.strip() for l in item)
            if text.startswith("- "):
                out.extend(wrap(text[2:], " " * depth + "- ", " " * (depth + 2)))
            else:
                out.extend(wrap(text, " " * depth, " " * depth))
            item.clear()

    for line in lines:
        if line.lstrip().startswith("- "):
            flush()
        item.append(line)
    flush()
    return out


def convert(markdown, end):
    lines = markdown.splitlines()
    if end in lines:
        lines = lines[: lines.index(end)]
    KEPT.update(slug(l.lstrip("#").strip()) for l in lines if l.startswith("#"))
    out, block = [], []
    caption = False  # the paragraph under a picture tells of the picture

    def flush():
        if block:
            out.extend(paragraph(block))
            out.append("")
            block.clear()

    for line in lines:
        heading = re.match(r"^(#+) (.*)$", line)
        if heading:
            flush()
            title = inline(heading.group(2))
            out.append(title)
            if len(heading.group(1)) <= 2:
                out.append(("=" if len(heading.group(1)) == 1 else "-") * len(title))
            out.append("")
        elif line.startswith("!["):
            caption = True
        elif not line.strip():
            if caption and block:
                block.clear()
                caption = False
            flush()
        else:
            block.append(line)
    flush()
    while out and not out[-1]:
        out.pop()
    return "".join(l + "\r\n" for l in out)


if __name__ == "__main__":
    sys.stdout.buffer.write(convert(sys.stdin.read(), sys.argv[1]).encode("utf-8"))
