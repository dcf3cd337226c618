# Cross compiling for 64-bit Windows: a test vehicle for hosts that cannot
# run 32-bit x86 code. The product and its package stay 32-bit.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TESSEL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
