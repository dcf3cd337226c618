# Cross compiling for 32-bit Windows: the product.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TESSEL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
