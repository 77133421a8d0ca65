# The fuzz configuration: the window's logic and the fuzz targets alone, compiled by clang with
# libFuzzer's coverage hooks and the address and undefined-behaviour sanitizers. Every undefined
# behaviour aborts, so that libFuzzer keeps the input that caused it.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "ZELMAR_FUZZ needs clang++ (-DCMAKE_CXX_COMPILER=clang++): libFuzzer comes with it")
endif()

# Nothing of the toolkit, and no test or benchmark program: only what the fuzz targets link.
set(ZELMAR_QT OFF)
set(ZELMAR_TESTS OFF)
set(ZELMAR_BENCHMARKS OFF)

add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
