# Turns one file into a C++ byte array: cmake -DINPUT=file -DOUTPUT=out.cpp -DSYMBOL=name -P embed_file.cmake
# Defines tv::embedded::<SYMBOL> and tv::embedded::<SYMBOL>_size.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n"
  "namespace tv::embedded {\n"
  "extern const unsigned char ${SYMBOL}[] = {${bytes}};\n"
  "extern const std::size_t ${SYMBOL}_size = ${size};\n"
  "}  // namespace tv::embedded\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
