# SPDX-License-Identifier: MIT
# find_package(Zarvo): the printer link library as Zarvo::Zarvo.
include("${CMAKE_CURRENT_LIST_DIR}/ZarvoTargets.cmake")
