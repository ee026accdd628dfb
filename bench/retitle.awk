# The same retitling as brenvik, for sheets whose lines are under 256 bytes and end in CR LF:
# lines up to the first whose first non-blank byte is F are copied; after it, each line whose
# first non-blank bytes are TI takes the next title (between the first two tabs) of the track
# list after its first double quote. Run with LC_ALL=C, so that awk works on bytes.
# Usage: awk -v list=freedb.txt -v out=NEW -f retitle.awk OLD
BEGIN { RS = "\n"; ORS = "\r\n"; in_tracks = 0 }
{
  sub(/\r$/, "")
  line = $0
  if (!in_tracks) {
    print line > out
    if (line ~ /^ *F/) in_tracks = 1
    next
  }
  if (line ~ /^ *TI/) {
    track = ""
    getline track < list
    first_tab = index(track, "\t")
    rest = substr(track, first_tab + 1)
    second_tab = index(rest, "\t")
    title = second_tab > 0 ? substr(rest, 1, second_tab - 1) : rest
    quote = index(line, "\"")
    if (quote > 0 && title != "") line = substr(line, 1, quote) title "\""
  }
  print line > out
}
