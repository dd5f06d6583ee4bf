# Writes the bytes of INPUT to OUTPUT as one C++ string literal, a line of
# hex escapes for every 8 bytes. Run at build time by kestrova_embed_file():
#   cmake -DINPUT=<file> -DOUTPUT=<file> -P EmbedFile.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
string(REGEX REPLACE "((\\\\x[0-9a-f][0-9a-f])(\\\\x[0-9a-f][0-9a-f])?(\\\\x[0-9a-f][0-9a-f])?(\\\\x[0-9a-f][0-9a-f])?(\\\\x[0-9a-f][0-9a-f])?(\\\\x[0-9a-f][0-9a-f])?(\\\\x[0-9a-f][0-9a-f])?(\\\\x[0-9a-f][0-9a-f])?)" "    \"\\1\"\n" lines "${escaped}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}" "// The bytes of ${name}, made from it at build time.\n${lines}")
