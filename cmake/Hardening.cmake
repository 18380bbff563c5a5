# SPDX-License-Identifier: Apache-2.0
# The hardening Debian builds with. Stack protector and immediate, read-only relocations always;
# fortified libc calls only where the code is optimised, because glibc's checks need the
# optimiser (and warn without it, which -Werror turns into a failure). Sanitizer builds skip
# fortification: the sanitizers replace the same libc calls with their own checked versions.
add_compile_options(-fstack-protector-strong)
add_link_options(LINKER:-z,relro LINKER:-z,now)

if(NOT ORVANE_SANITIZE AND NOT ORVANE_BUILD_FUZZ)
  # Undefine first: some compilers already fortify by default, at a level of their own.
  add_compile_options(
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()
