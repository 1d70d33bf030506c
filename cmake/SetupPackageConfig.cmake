# find_package(SetupPackage): the installed pkgbuild, pkginfo and stub, and
# the function add_setup_package (AddSetupPackage.cmake). Installed as
# <prefix>/lib/cmake/SetupPackage/SetupPackageConfig.cmake.
get_filename_component(_setup_package_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
set(SETUP_PACKAGE_PKGBUILD "${_setup_package_prefix}/bin/pkgbuild")
set(SETUP_PACKAGE_PKGINFO "${_setup_package_prefix}/bin/pkginfo")
set(SETUP_PACKAGE_STUB "${_setup_package_prefix}/share/installer/setup.exe")
unset(_setup_package_prefix)
include("${CMAKE_CURRENT_LIST_DIR}/AddSetupPackage.cmake")
