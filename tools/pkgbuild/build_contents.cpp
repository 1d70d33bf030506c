// A whole script into package contents, section by section in the order in
// which records can refer to each other.
#include "pkgbuild/build_state.h"
#include "pkgbuild/pkgbuild.h"
#include "pkgbuild/values.h"

namespace pkgbuild {

bool CheckWholeScript(BuildState& state, ScriptError& error) {
    InstallHeader& h = state.contents->header;
    if (!state.helpFile.empty()) {
        int index = FindName(state.fileRefs, state.helpFile);
        if (index < 0)
            return Fail(error, state.helpFileLine,
                        "unknown help file " + state.helpFile + " (not in [Files])");
        h.HelpFileNumber = index + 1;
    }
    if (h.CreateUninstaller) {
        if (h.UninstallerName[0] == '\0')
            return Fail(error, state.createUninstallerLine,
                        "CreateUninstaller needs an Uninstaller file name");
        // The uninstaller is written into the destination; a file of the
        // same name there would overwrite it, or be taken for it.
        for (const FileRecord& f : state.contents->files)
            if (f.DirNumber == 0 && !f.InSystemDir && !f.InWindowsDir &&
                EqualsNoCase(f.FileName, h.UninstallerName))
                return Fail(error, state.uninstallerLine,
                            std::string("the uninstaller ") + h.UninstallerName +
                                " has the name of an installed file");
    }
    return true;
}

bool BuildRecords(const std::string& scriptText, const std::string& baseDir,
                  pkg::PackageContents& out, std::vector<pkg::FileSource>& sources,
                  ScriptError& error) {
    out = pkg::PackageContents();
    out.header = pkg::NewHeader();
    sources.clear();
    ScriptText text;
    if (!ParseScriptText(scriptText, text, error)) return false;
    BuildState state;
    state.contents = &out;
    state.baseDir = baseDir;
    const bool built =
        ApplySetup(text.setup, state, error) && BuildDirs(text.dirs, state, error) &&
        BuildFiles(text.files, state, error) && BuildGroups(text.groups, state, error) &&
        BuildItems(text.items, state, error) && BuildRegKeys(text.regKeys, state, error) &&
        BuildRegValues(text.regValues, state, error) && CheckWholeScript(state, error);
    sources = std::move(state.sources);
    return built;
}

bool BuildContents(const std::string& scriptText, const std::string& baseDir,
                   pkg::PackageContents& out, ScriptError& error) {
    std::vector<pkg::FileSource> sources;
    if (!BuildRecords(scriptText, baseDir, out, sources, error)) return false;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        pkg::Bytes stored;
        std::string message;
        if (!pkg::PrepareFile(sources[i], out.files[i], stored, message))
            return Fail(error, sources[i].line, message);
        out.fileData.push_back(std::move(stored));
    }
    return true;
}

}  // namespace pkgbuild
