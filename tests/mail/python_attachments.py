#!/usr/bin/env python3
"""Decodes the attachments of message files with Python's email package, for comparison.

Usage: python_attachments.py MESSAGES OUT

For every file N.eml in MESSAGES, the folder OUT/N receives the decoded bytes of the
message's leaf parts in the order they stand, as files 0, 1, ...; a part the package cannot
decode (base64 of a length no bytes have) is an empty file K.undecodable instead.
"""
import email
import email.errors
import email.message
import email.policy
import pathlib
import sys


class KeptWhole(email.message.EmailMessage):
    """A part as the parser sees it, but an attached message is a leaf whose bytes are kept
    as they stand, not parsed into a message of its own."""

    def get_content_type(self):
        content_type = super().get_content_type()
        if content_type.startswith("message/"):
            return "application/x-attached-" + content_type[len("message/"):]
        return content_type


def leaves(part):
    if not part.is_multipart():
        yield part
        return
    for sub in part.get_payload():
        yield from leaves(sub)


def decoded(part):
    """The part's bytes, or None when the package gives up and hands back the encoded text."""
    encoding = part.get("Content-Transfer-Encoding")
    if encoding is not None and str(encoding).strip() != str(encoding):
        # The package takes "base64 " for an unknown encoding; a lenient reader does not.
        part.replace_header("Content-Transfer-Encoding", str(encoding).strip())
    data = part.get_payload(decode=True) or b""
    if any(isinstance(d, email.errors.InvalidBase64LengthDefect) for d in part.defects):
        return None
    return data


def main(messages, out):
    for path in sorted(pathlib.Path(messages).glob("*.eml")):
        message = email.message_from_bytes(path.read_bytes(), _class=KeptWhole, policy=email.policy.default)
        folder = pathlib.Path(out) / path.stem
        folder.mkdir(parents=True)
        for number, part in enumerate(leaves(message)):
            data = decoded(part)
            if data is None:
                (folder / f"{number}.undecodable").write_bytes(b"")
            else:
                (folder / str(number)).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
