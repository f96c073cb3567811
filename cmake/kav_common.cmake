# Settings every folder shares: warnings, sanitizers, GoogleTest, static checks.

set(KAV_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)

# The 32-bit native build runs UBSan alone: pointer-size and alignment faults are its concern.
set(KAV_SANITIZERS address,undefined CACHE STRING "The sanitizers KAV_SANITIZE builds with")
if(KAV_SANITIZE)
  add_compile_options(-fsanitize=${KAV_SANITIZERS} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${KAV_SANITIZERS})
endif()

# 32-bit native builds (-m32) run every program they test, and test discovery's
# listing, through a launcher: natively where the kernel runs i386 code, under
# qemu-i386 where it does not. Every executable made after this line has it.
if(NOT WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run_i386.sh)
endif()

if(WIN32)
  # Nothing but system DLLs may be imported: the C++ runtime goes in statically.
  add_link_options(-static-libgcc -static-libstdc++ -static)
endif()

# GoogleTest from Debian's sources, built with whichever compiler this tree uses,
# so the cross builds get a Windows GoogleTest for the Wine tests.
set(KAV_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${KAV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL SYSTEM)
  if(WIN32)
    # mingw-w64's default "win32" thread model has no std::mutex, which
    # GoogleTest's Notification needs: give it one that does without.
    target_compile_options(gtest PUBLIC
      "SHELL:-include ${CMAKE_CURRENT_LIST_DIR}/gtest_mingw_notification.h")
  endif()
endif()
include(GoogleTest)

# A native unit test binary of the core, labelled "unit".
function(kav_unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  target_compile_options(${name} PRIVATE ${KAV_WARNINGS})
  gtest_discover_tests(${name} PROPERTIES LABELS unit DISCOVERY_TIMEOUT 30)
endfunction()

# kav_kernel_image(<target>): builds an executable target as a kernel driver
# image (.sys) with the DDK headers: freestanding, no C++ runtime, the native
# subsystem, DriverEntry as its entry.
function(kav_kernel_image target)
  target_include_directories(${target} SYSTEM PRIVATE ${CMAKE_FIND_ROOT_PATH}/include/ddk)
  target_compile_definitions(${target} PRIVATE KAV_KERNEL)
  target_compile_options(${target} PRIVATE ${KAV_WARNINGS} -ffreestanding -fno-exceptions -fno-rtti
    -fno-threadsafe-statics -fno-stack-protector -fno-asynchronous-unwind-tables -fno-unwind-tables)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _DriverEntry@8)
  else()
    set(entry DriverEntry)
  endif()
  target_link_options(${target} PRIVATE -nostdlib -Wl,--subsystem,native -Wl,--entry,${entry}
    -Wl,--image-base,0x10000 -Wl,--dynamicbase -Wl,--nxcompat)
  # libgcc last: on i686 gcc divides 64-bit numbers through its helpers
  # (__udivdi3), which -nostdlib leaves out; they import nothing.
  target_link_libraries(${target} PRIVATE ntoskrnl hal gcc)
endfunction()
