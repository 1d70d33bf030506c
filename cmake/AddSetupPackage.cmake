# add_setup_package: builds an installation package as part of a CMake build.
#
#   add_setup_package(NAME target SCRIPT file.setup
#                     [STUB setup.exe] [OUTPUT file.exe] [STRICT]
#                     [DEPENDS targets-or-files...])
#
# Makes the target NAME (built by default) that writes OUTPUT (default
# NAME.exe in the current binary directory) with pkgbuild. The script may
# name what the build makes with generator expressions, for example
# `Source: "$<TARGET_FILE:app>"`; its other sources stay relative to the
# script's own directory. DEPENDS lists the targets and files the package is
# made from: the package is built again when one of them changes. STUB
# defaults to the stub of the installed tools, STRICT refuses the script on
# any warning. Single-configuration generators (Ninja, Makefiles) only.
#
# SETUP_PACKAGE_PKGBUILD and SETUP_PACKAGE_STUB name the tools; the package
# configuration (find_package(SetupPackage)) sets them.
function(add_setup_package)
  cmake_parse_arguments(ARG "STRICT" "NAME;SCRIPT;STUB;OUTPUT" "DEPENDS" ${ARGN})
  if(NOT ARG_NAME OR NOT ARG_SCRIPT)
    message(FATAL_ERROR "add_setup_package: NAME and SCRIPT are required")
  endif()
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "add_setup_package: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  get_filename_component(script "${ARG_SCRIPT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(script_dir "${script}" DIRECTORY)
  if(NOT ARG_STUB)
    set(ARG_STUB "${SETUP_PACKAGE_STUB}")
  endif()
  if(NOT ARG_OUTPUT)
    set(ARG_OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.exe")
  endif()
  if(NOT SETUP_PACKAGE_PKGBUILD)
    message(FATAL_ERROR "add_setup_package: SETUP_PACKAGE_PKGBUILD is not set (find_package(SetupPackage))")
  endif()
  set(strict)
  if(ARG_STRICT)
    set(strict --strict)
  endif()
  # The script with its generator expressions filled in, at generate time.
  set(generated "${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.setup")
  file(GENERATE OUTPUT "${generated}" INPUT "${script}")
  add_custom_command(OUTPUT "${ARG_OUTPUT}"
    COMMAND "${SETUP_PACKAGE_PKGBUILD}" "${generated}" -o "${ARG_OUTPUT}" --stub "${ARG_STUB}"
            --source-dir "${script_dir}" ${strict}
    DEPENDS "${script}" "${generated}" "${ARG_STUB}" ${ARG_DEPENDS}
    COMMENT "Building the installation package ${ARG_NAME}"
    VERBATIM)
  add_custom_target(${ARG_NAME} ALL DEPENDS "${ARG_OUTPUT}")
  foreach(dependency IN LISTS ARG_DEPENDS)
    if(TARGET ${dependency})
      add_dependencies(${ARG_NAME} ${dependency})
    endif()
  endforeach()
endfunction()
