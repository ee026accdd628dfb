# Writes a cue sheet of `tracks` tracks (four lines each, CR LF ends, about 120 bytes a track)
# to `sheet`, and the matching freedb track list (one line per track, LF ends) to `list`.
# Usage: awk -v tracks=N -v sheet=FILE -v list=FILE -f make_sheet.awk
BEGIN {
  printf "REM GENRE Jazz\r\nREM DATE 1959\r\nPERFORMER \"The Example Quartet\"\r\n" > sheet
  printf "TITLE \"Blue Afternoon\"\r\nFILE \"The Example Quartet - Blue Afternoon.flac\" WAVE\r\n" > sheet
  for (i = 1; i <= tracks; i++) {
    seconds = i * 187
    printf "  TRACK %02d AUDIO\r\n    TITLE \"Track %02d\"\r\n", i, i > sheet
    printf "    PERFORMER \"The Example Quartet and Friends\"\r\n" > sheet
    printf "    INDEX 01 %02d:%02d:%02d\r\n", int(seconds / 60) % 100, seconds % 60, i % 75 > sheet
    printf "%d.\tSong %d\t%d:%02d\n", i, i, 3 + i % 5, (i * 7) % 60 > list
  }
}
