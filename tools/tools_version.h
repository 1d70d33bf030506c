// The version pkgbuild and pkginfo print for --version.
#pragma once

constexpr const char* ToolsVersion = "1.1.0";
