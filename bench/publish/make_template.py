"""Writes an HTML template of about SIZE megabytes using all publishing tokens."""
import sys

size = int(float(sys.argv[2]) * 1024 * 1024)
lines = [
    b"<html><head><title>%status% since %time%</title></head><body>",
    b"<p>I am <b>%STATUS%</b> at %ip% (%dns%) on %date%, %24time%.</p>",
    b"<table><tr><td>%c1%</td><td>%c2%</td><td>%c3%</td><td>%c4%</td><td>%c5%</td></tr></table>",
    b"<p>%mm/dd/yy% %mm-dd-yy% %mmmddyyyy% %shwday% %lowday%</p>",
    b"<div class=\"text\">Plain text without any variable in it, as most lines of a page are.</div>",
    b"<div class=\"text\">Another ordinary line with 100% of nothing to replace; 50% here.</div>",
    b"%memo%",
]
out = bytearray()
i = 0
while len(out) < size:
    out += lines[i % len(lines)] + b"\r\n"
    i += 1
open(sys.argv[1], "wb").write(out)
