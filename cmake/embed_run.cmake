# Script mode: -DIN=<binary> -DOUT=<source> -DSYMBOL=<name>.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hex_len)
math(EXPR size "${hex_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" body "${body}")
file(WRITE ${OUT} "// Generated from ${IN}; do not edit.\n"
  "extern const unsigned char ${SYMBOL}[];\n"
  "extern const unsigned int ${SYMBOL}_SIZE;\n"
  "alignas(4) const unsigned char ${SYMBOL}[${size} + 1] = {\n${body}0};\n"
  "const unsigned int ${SYMBOL}_SIZE = ${size};\n")
