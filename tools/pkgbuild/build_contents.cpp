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

bool CheckRequiredTexts(const ScriptText& text, const BuildState& state, ScriptError& error) {
    const InstallHeader& h = state.contents->header;
    const int line = text.setupLine ? text.setupLine : 1;
    if (h.InstallTitle[0] == '\0')
        return Fail(error, line, "[Setup] needs a Title (the caption of every dialog)");
    if (h.MainDialogText[0] == '\0')
        return Fail(error, line, "[Setup] needs a MainText (the text of the main dialog)");
    if (h.FinishedText[0] == '\0')
        return Fail(error, line, "[Setup] needs a FinishedText (the closing message)");
    return true;
}


bool BuildRecords(const std::string& scriptText, const std::string& baseDir,
                  pkg::PackageContents& out, std::vector<pkg::FileSource>& sources,
                  ScriptError& error, BuildLog* log) {
    out = pkg::PackageContents();
    out.header = pkg::NewHeader();
    sources.clear();
    ScriptText text;
    if (!ParseScriptText(scriptText, text, error)) return false;
    if (text.setupLine == 0 && text.setup.empty() && text.dirs.empty() && text.files.empty() &&
        text.groups.empty() && text.items.empty() && text.regKeys.empty() &&
        text.regValues.empty())
        return Fail(error, 1, "the script is empty");
    BuildState state;
    state.contents = &out;
    state.baseDir = baseDir;
    state.log = log;
    bool built = ConvertScriptTexts(text, state, error) && ApplySetup(text.setup, state, error) &&
                 BuildDirs(text.dirs, state, error) && BuildFiles(text.files, state, error) &&
                 BuildGroups(text.groups, state, error) && BuildItems(text.items, state, error) &&
                 BuildRegKeys(text.regKeys, state, error) &&
                 BuildRegValues(text.regValues, state, error) && CheckWholeScript(state, error);
    if (!built) return false;
    WarnAboutSharedThings(state);
    if (!AddUninstallEntryValues(state, error) || !CheckRequiredTexts(text, state, error))
        return false;
    if (log) log->warnings = state.warnings;
    sources = std::move(state.sources);
    return true;
}

bool BuildContents(const std::string& scriptText, const std::string& baseDir,
                   pkg::PackageContents& out, ScriptError& error) {
    return BuildContents(scriptText, baseDir, out, error, nullptr);
}

bool BuildContents(const std::string& scriptText, const std::string& baseDir,
                   pkg::PackageContents& out, ScriptError& error, BuildLog* log) {
    std::vector<pkg::FileSource> sources;
    if (!BuildRecords(scriptText, baseDir, out, sources, error, log)) return false;
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        pkg::Bytes stored;
        std::string message;
        if (!pkg::PrepareFile(sources[i], out.files[i], stored, message))
            return Fail(error, sources[i].line, message);
        bytes += sources[i].size;
        if (log && log->progress) log->progress(bytes, i + 1);
        out.fileData.push_back(std::move(stored));
    }
    return true;
}

}  // namespace pkgbuild
