# SPDX-License-Identifier: MIT
# Warnings for every target, and the optional sanitizer build.
add_compile_options(-Wall -Wextra -Wpedantic)

if(ZARVO_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()
