# What the two MinGW-w64 toolchain files share: the posix-thread-model
# compilers (GoogleTest needs std::mutex, which the win32 model lacks) of
# the triplet the including file names, and a search for libraries and
# headers in that compiler's own tree only.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ORVELINE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVELINE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVELINE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVELINE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
