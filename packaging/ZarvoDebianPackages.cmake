# SPDX-License-Identifier: MIT
# The Debian packages `zarvo` and `libzarvo-dev`, made by CPack from the install tree
# (`make package`, from the Linux build, which the Makefile configures for /usr with Debian's
# build flags).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZARVO_MAINTAINER}")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
# Each package's summary is the first line of its description below, not the project's.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_DEB_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ZARVO_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZARVO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies computed from the binaries; the package's own libraries satisfy each other.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/library ${CMAKE_BINARY_DIR}/serial)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")

set(ZARVO_FULL_VERSION "${PROJECT_VERSION}-${ZARVO_DEB_RELEASE}")

# A description: its summary line, then the long part, which CPack indents (an empty line becomes
# " .").
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME zarvo)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION electronics)
# dpkg runs ldconfig once after the libraries are unpacked.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION [=[operator window for a fiscal printer on a serial line
Zarvo is what a field technician uses to drive a fiscal printer over a serial
line: find the printer and show its clock, counters and paper state, switch
summer time, run the X reading, and read out the fiscal memory, printed by the
printer or saved to a text file. This package holds the window (zarvo), a
printer simulator for training and checks (zarvo-printer-sim), a command that
lists the serial devices and makes one of them a port number (zarvo-ports),
and the printer link library and serial layer they use.

Zarvo é o programa com que o técnico de campo opera uma impressora fiscal
pela linha serial: encontra a impressora e mostra o relógio, os contadores e
o estado do papel, liga e desliga o horário de verão, faz a Leitura X e lê a
memória fiscal, impressa pela impressora ou gravada num arquivo de texto.
Este pacote traz a janela (zarvo), um simulador de impressora para treino e
testes (zarvo-printer-sim), um comando que lista os dispositivos seriais e faz
de um deles uma porta numerada (zarvo-ports) e a biblioteca de comunicação com
a impressora e a camada serial que eles usam.]=])

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libzarvo-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "zarvo (= ${ZARVO_FULL_VERSION})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION [=[fiscal printer link library for C and C++ programs - development files
The printer link library opens a numbered serial port, frames each command
with its checksum, waits for the printer's reply or a timeout, and writes the
outcome to the file RespApf.txt. This package holds its C header and that of
the serial layer, the unversioned library links, a CMake package
(find_package(Zarvo) gives Zarvo::Zarvo) and a pkg-config file (zarvo).

A biblioteca de comunicação com a impressora fiscal abre uma porta serial
numerada, monta cada comando com o seu checksum, espera a resposta da
impressora ou o fim do tempo de espera e grava o resultado no arquivo
RespApf.txt. Este pacote traz os cabeçalhos C, os links sem versão da
biblioteca, um pacote CMake (find_package(Zarvo) dá Zarvo::Zarvo) e um arquivo
pkg-config (zarvo).]=])

include(CPack)
