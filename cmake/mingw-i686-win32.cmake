# Cross toolchain for the programs the setups install: the win32 thread model, whose
# runtime imports only what Windows XP SP3 has (winpthreads would bring GetTickCount64).
set(TORNEL_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
