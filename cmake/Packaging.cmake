# SPDX-License-Identifier: Apache-2.0
# Installing and packaging. Three Debian packages built by CPack from one build tree
# (`make package`, or `cpack -G DEB` in build/release):
#   orvane-config   the window, orvanectl, desktop entry, icon, man pages (install component config)
#   orvane-sim      the simulated receiver and its man page              (install component sim)
#   orvane-ansible  the Ansible collection orvane.receiver               (install component ansible)
# so that a field laptop gets only the tool, and only a controller the collection. Each carries /usr/share/doc/<package>/copyright and
# changelog.gz; man pages go to share/man/man1 gzipped. Maintainer and homepage come from the
# cache variables ORVANE_MAINTAINER and ORVANE_HOMEPAGE.
include(GNUInstallDirs)

set(ORVANE_PACKAGE_config orvane-config)
set(ORVANE_PACKAGE_sim orvane-sim)
set(ORVANE_PACKAGE_ansible orvane-ansible)
set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_out})

find_program(ORVANE_SCDOC scdoc)
find_program(ORVANE_GZIP gzip REQUIRED)
if(NOT ORVANE_SCDOC)
  message(FATAL_ERROR "scdoc turns the man page sources in packaging/man into man pages: "
                      "install it (sudo apt-get install scdoc; `make` targets do this for you)")
endif()

# The changelog: its newest entry must be this version, or the package would describe another.
file(STRINGS ${packaging_dir}/changelog.in changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^orvane-config \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog.in starts with \"${changelog_head}\": add an entry "
                      "for version ${PROJECT_VERSION} at its top")
endif()
# The newest entry's date also dates the man pages, so that rebuilding gives the same bytes.
file(STRINGS ${packaging_dir}/changelog.in changelog_dates REGEX "^ -- ")
list(GET changelog_dates 0 changelog_trailer)
string(REGEX REPLACE "^ -- .*  " "" release_date "${changelog_trailer}")
execute_process(COMMAND date -u -d "${release_date}" +%s OUTPUT_VARIABLE ORVANE_RELEASE_EPOCH
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

configure_file(${packaging_dir}/changelog.in ${packaging_out}/changelog @ONLY)
configure_file(${packaging_dir}/copyright.in ${packaging_out}/copyright @ONLY)

# gzip -n -9: no name or time stamp in the header, so the package is reproducible.
add_custom_command(
  OUTPUT ${packaging_out}/changelog.gz
  COMMAND ${ORVANE_GZIP} -n -9 -c ${packaging_out}/changelog > ${packaging_out}/changelog.gz
  DEPENDS ${packaging_out}/changelog
  COMMENT "Compressing the changelog")
set(packaging_outputs ${packaging_out}/changelog.gz)

# Every program has a man page, written once in scdoc (packaging/man/<program>.1.scd).
foreach(program orvane-config orvane-sim orvanectl)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(source ${packaging_dir}/man/${program}.1.scd)
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "${program} has no man page: write packaging/man/${program}.1.scd")
  endif()
  set(page ${packaging_out}/${program}.1.gz)
  # Two steps, not a pipe: a page scdoc stops short on must fail the build, not ship cut off.
  add_custom_command(
    OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ORVANE_RELEASE_EPOCH}
            sh -c "'${ORVANE_SCDOC}' < '${source}' > '${packaging_out}/${program}.1'"
    COMMAND ${ORVANE_GZIP} -n -9 -f ${packaging_out}/${program}.1
    DEPENDS ${source}
    COMMENT "Man page ${program}.1"
    VERBATIM)
  list(APPEND packaging_outputs ${page})
  set(component config)
  if(program STREQUAL "orvane-sim")
    set(component sim)
  endif()
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  # A stripped install (CPack strips) also drops the compiler's .comment section, as Debian's own
  # packaging tools do. The program itself was installed by the rules of its folder, before these.
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
        COMMAND_ERROR_IS_FATAL ANY)
    endif()" COMPONENT ${component})
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${packaging_outputs})

foreach(component config sim ansible)
  install(FILES ${packaging_out}/copyright ${packaging_out}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${ORVANE_PACKAGE_${component}}
          COMPONENT ${component})
endforeach()
install(FILES ${packaging_dir}/orvane-config.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT config)
install(FILES ${packaging_dir}/orvane-config.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT config)

# The collection on Ansible's default collection path, so that playbooks find orvane.receiver
# with no configuration. The modules carry no #! line and are not executable: Ansible runs them
# with the interpreter it finds on the target. Python's byte-code caches, which running the
# modules from the tree may leave, stay out.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/ansible/ansible_collections/orvane/receiver
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ansible/collections/ansible_collections/orvane
        COMPONENT ansible
        PATTERN __pycache__ EXCLUDE)

# CPack: one Debian package per component, native version (no Debian revision).
set(CPACK_PACKAGE_NAME "orvane-config")
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_CONTACT "${ORVANE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
# Each package's description below starts with its own synopsis. CPack prepends any summary other
# than its default one to every package's description, so the summary stays that default.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_COMPONENTS_ALL config sim ansible)

set(CPACK_GENERATOR "DEB")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE "orvane-config")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ORVANE_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
# Library dependencies come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_CONFIG_PACKAGE_NAME "orvane-config")
# The Qt platform plugins that draw the window are loaded at run time, so they are named here.
set(CPACK_DEBIAN_CONFIG_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_CONFIG_PACKAGE_SUGGESTS "orvane-sim")
string(CONCAT CPACK_DEBIAN_CONFIG_DESCRIPTION
       "configuration tool for Orvane GNSS base-station receivers\n"
       "orvane-config is a window that reads the settings of an Orvane GNSS\n"
       "base-station receiver over a serial line or TCP, lets the operator edit\n"
       "them, and writes a complete base-station profile back to the receiver.\n"
       "A status line watches the receiver's heartbeat and finds a receiver that\n"
       "talks at another baud rate. orvanectl does the same from scripts: profiles\n"
       "in files, diff, verified writes, exit codes and JSON, several receivers\n"
       "at once.")

set(CPACK_DEBIAN_SIM_PACKAGE_NAME "orvane-sim")
string(CONCAT CPACK_DEBIAN_SIM_DESCRIPTION
       "simulated Orvane GNSS receiver for testing and training\n"
       "orvane-sim plays an Orvane GNSS base-station receiver on a pseudo-terminal\n"
       "(and optionally on a local TCP port), so that orvane-config can be tried,\n"
       "tested and taught without hardware. It can stay silent, refuse or ignore\n"
       "settings, lose frames, send line noise and simulate an unplugged cable.")

# Python modules that run on whichever host a play targets: no machine code, one package for
# every architecture. They run orvanectl, which comes with the window's package.
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_NAME "orvane-ansible")
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_ARCHITECTURE "all")
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_DEPENDS "orvane-config (>= ${PROJECT_VERSION}), ansible-core")
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_SECTION "admin")
string(CONCAT CPACK_DEBIAN_ANSIBLE_DESCRIPTION
       "Ansible collection for Orvane GNSS base-station receivers\n"
       "orvane-ansible installs the Ansible collection orvane.receiver, whose\n"
       "modules provision Orvane GNSS base-station receivers through orvanectl:\n"
       "orvane.receiver.settings makes a receiver's settings what a profile and\n"
       "per-site values say, with check mode, diffs and idempotent runs;\n"
       "orvane.receiver.info reads them. A fleet of base stations is then\n"
       "provisioned by a playbook, in batches, with a canary's failures stopping\n"
       "the rollout.")

include(CPack)
