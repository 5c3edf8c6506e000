# cmake -DPROGRAM=<file> -P append_seal.cmake
# Trailer: "\nPRODTOOL-SEAL " + 64 lower-case hex digits of SHA-256 + "\n".
file(SHA256 ${PROGRAM} digest)
file(APPEND ${PROGRAM} "\nPRODTOOL-SEAL ${digest}\n")
