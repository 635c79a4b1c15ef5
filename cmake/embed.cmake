# cmake -DIN=file -DOUT=file.cpp -DSYMBOL=name -P embed.cmake
# Writes the bytes of IN as a C++ array. Hex string literals compile far
# faster than brace lists of numbers for images of several hundred KB.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
# Break the literal into lines of 64 bytes (256 characters of escapes).
string(REGEX REPLACE "((\\\\x[0-9a-f][0-9a-f]){64})" "\\1\"\n\"" body "${escaped}")
file(WRITE "${OUT}" "#include <cstddef>\n"
  "extern const unsigned char ${SYMBOL}[];\n"
  "extern const std::size_t ${SYMBOL}_size;\n"
  "const unsigned char ${SYMBOL}[${size} + 1] =\n\"${body}\";\n"
  "const std::size_t ${SYMBOL}_size = ${size};\n")
