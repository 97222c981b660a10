"""Three kinds of mail readers, for header values and bodies as they arrive:
- Python's email package, which decodes each encoded word alone (policy.default);
- a reader that joins neighbouring encoded words of one charset before decoding, with the
  WHATWG Encoding standard's ISO-2022-JP decoder (two escape sequences with nothing between
  read as U+FFFD), as several mail programs do;
- glibc iconv, one encoded word at a time."""
import base64
import re
import subprocess

WORD = re.compile(r"=\?([^?]+)\?([BbQq])\?([^?]*)\?=")
ESCAPES = {b"\x1b(B": "ascii", b"\x1b(J": "roman", b"\x1b$@": "jis", b"\x1b$B": "jis"}
# Characters that JIS X 0208 and Windows' code page 932 map to different Unicode code points:
# an ISO-2022-JP reader shows the JIS one, a UTF-8 one the Windows one. The same character.
JIS_FORMS = str.maketrans("～－∥￠￡￢", "\u301c\u2212\u2016\u00a2\u00a3\u00ac")


def unfold(value):
    return re.sub(r"\r\n(?=[ \t])", "", value)


def whatwg_iso2022jp(data):
    """ISO-2022-JP bytes decoded by the WHATWG rule (ESC $ B / ESC ( B / ESC ( J only)."""
    out, state, escape_last, i = [], "ascii", False, 0
    while i < len(data):
        if data[i] == 0x1B:
            state_after = ESCAPES.get(data[i:i + 3])
            if state_after is None or escape_last:
                out.append("\ufffd")
            state = state_after or state
            escape_last = True
            i += 3
            continue
        escape_last = False
        if state != "jis":
            out.append(chr(data[i]))
            i += 1
            continue
        pair = data[i:i + 2]
        try:
            out.append((b"\x1b$B" + pair + b"\x1b(B").decode("iso2022_jp"))
        except UnicodeDecodeError:
            out.append("\ufffd")
        i += 2
    return "".join(out)


def words_of(value):
    """(text between words, charset, decoded bytes) for each encoded word, and the tail."""
    pieces, pos = [], 0
    for match in WORD.finditer(value):
        pieces.append((value[pos:match.start()], match.group(1).upper(),
                       base64.b64decode(match.group(3))))
        pos = match.end()
    return pieces, value[pos:]


def joining_reader(value):
    """The value as a reader that joins neighbouring words of one charset reads it."""
    pieces, tail = words_of(unfold(value))
    out, charset, pending = [], None, b""

    def flush():
        if charset == "ISO-2022-JP":
            out.append(whatwg_iso2022jp(pending))
        elif charset is not None:
            out.append(pending.decode(charset, "replace"))

    for gap, word_charset, data in pieces:
        blanks = gap.strip(" \t") == "" and charset is not None
        if not blanks or word_charset != charset:
            flush()
            pending = b""
            if not blanks:
                out.append(gap if charset is not None else gap.lstrip(" "))
        charset = word_charset
        pending += data
    flush()
    out.append(tail)
    return "".join(out)


def iconv_reader(value):
    """The value with each encoded word converted alone by glibc iconv (which must accept it)."""
    pieces, tail = words_of(unfold(value))
    out, previous_word = [], False
    for gap, charset, data in pieces:
        if not (previous_word and gap.strip(" \t") == ""):
            out.append(gap if previous_word else gap.lstrip(" "))
        done = subprocess.run(["iconv", "-f", charset, "-t", "UTF-8"], input=data,
                              capture_output=True, check=True)
        out.append(done.stdout.decode("utf-8"))
        previous_word = True
    out.append(tail)
    return "".join(out)


def raw_field(message, name):
    """A field's value as it went out (folds kept, nothing decoded); of the last part when the
    message is multipart and the field is not in the header."""
    header = message.split(b"\r\n\r\n", 1)[0]
    if name.startswith("Content-") and b"multipart/" in header:
        last_part = message.rsplit(b"--zqFelmar Attachment Boundary\r\n", 1)[1]
        header = last_part.split(b"\r\n\r\n")[0]
    field = rf"(?im)^{name}:([^\r\n]*(?:\r\n[ \t][^\r\n]*)*)"
    return re.search(field, header.decode("ascii")).group(1)


def charsets_of(value):
    return sorted({charset for _, charset, _ in words_of(unfold(value))[0]})


def expected_text(text, charset):
    """What a reader shows for `text` sent in `charset`."""
    return text.translate(JIS_FORMS) if charset == "ISO-2022-JP" else text
