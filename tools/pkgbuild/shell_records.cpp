// The [Groups] and [Items] sections: program groups and their items.
#include "pkgbuild/build_state.h"
#include "pkgbuild/values.h"

namespace pkgbuild {

namespace {

const char* const GroupFields[] = {"Name", "Flags"};
const char* const ItemFields[] = {"Name", "Group", "File", "Arguments", "Icon", "Flags"};

// The names go into the shell's command texts ([CreateGroup("%s")],
// [AddItem("path" args,name)], [DeleteItem(name)]), where these characters
// would end a part of the command early or start a new one.
bool SafeInCommand(const std::string& text, const char* forbidden, const char* what, int line,
                   ScriptError& error) {
    std::size_t bad = text.find_first_of(forbidden);
    if (bad == std::string::npos) return true;
    return Fail(error, line,
                std::string(what) + " must not hold the character " + text[bad] +
                    " (it would break the shell's command)");
}

}  // namespace

bool BuildGroups(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error) {
    for (const RecordLine& line : lines) {
        LineFields f(line);
        if (!f.CheckKnown(GroupFields, sizeof GroupFields / sizeof *GroupFields, "Groups", error))
            return false;
        GroupRecord r = pkg::NewGroupRecord();
        const std::string* name = nullptr;
        if (!f.Require("Name", name, error)) return false;
        if (name->empty()) return Fail(error, line.line, "empty group name");
        if (!SafeInCommand(*name, "\"[]()", "group name", line.line, error)) return false;
        if (!PutText(r.Name, *name, "group name", line.line, error)) return false;
        if (FindName(state.groupNames, *name) >= 0)
            return Fail(error, line.line, "duplicate group name " + *name);
        if (const std::string* flags = f.Get("Flags")) {
            std::string bad;
            if (!SetFlags(names::GroupFlags, *flags, r, bad))
                return Fail(error, line.line, "unknown flag " + bad + " in [Groups]");
        }
        state.contents->groups.push_back(r);
        state.groupNames.push_back(*name);
        state.groupLines.push_back(line.line);
    }
    return true;
}

bool BuildItems(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error) {
    // An item without Group goes into the group of the line before it. The
    // builder writes that group's number on every item, so the result never
    // depends on which earlier items a platform or a flag passes over.
    std::uint32_t currentGroup = 0;
    for (const RecordLine& line : lines) {
        LineFields f(line);
        if (!f.CheckKnown(ItemFields, sizeof ItemFields / sizeof *ItemFields, "Items", error))
            return false;
        ItemRecord r = pkg::NewItemRecord();
        const std::string* name = nullptr;
        const std::string* file = nullptr;
        if (!f.Require("Name", name, error) || !f.Require("File", file, error)) return false;
        if (name->empty()) return Fail(error, line.line, "empty item name");
        if (!SafeInCommand(*name, "\",()[]", "item name", line.line, error)) return false;
        if (!PutText(r.Name, *name, "item name", line.line, error)) return false;
        if (const std::string* arguments = f.Get("Arguments")) {
            if (!SafeInCommand(*arguments, ",()[]", "Arguments", line.line, error)) return false;
            if (!PutText(r.Arguments, *arguments, "Arguments", line.line, error)) return false;
        }
        if (const std::string* group = f.Get("Group")) {
            int index = FindName(state.groupNames, *group);
            if (index < 0)
                return Fail(error, line.line, "unknown group " + *group + " (not in [Groups])");
            currentGroup = static_cast<std::uint32_t>(index) + 1;
        }
        if (currentGroup == 0) return Fail(error, line.line, "item " + *name + " names no group");
        r.GroupNumber = currentGroup;

        int fileIndex = FindName(state.fileRefs, *file);
        if (fileIndex < 0) return Fail(error, line.line, "unknown file " + *file + " (not in [Files])");
        r.FileNumber = static_cast<std::uint32_t>(fileIndex) + 1;
        if (const std::string* icon = f.Get("Icon"))
            if (!ParseNumber(*icon, r.IconNumber))
                return Fail(error, line.line, "bad number " + *icon + " for Icon");
        if (const std::string* flags = f.Get("Flags")) {
            std::string bad;
            if (!SetFlags(names::ItemFlags, *flags, r, bad))
                return Fail(error, line.line, "unknown flag " + bad + " in [Items]");
        }
        // The shell knows an item by its name within its group: two of one
        // name on one platform would be one item, removed by either.
        for (const ItemRecord& other : state.contents->items)
            if (other.GroupNumber == r.GroupNumber && EqualsNoCase(other.Name, r.Name) &&
                ((!other.NotOnWindows95 && !r.NotOnWindows95) ||
                 (!other.NotOnWindowsNT && !r.NotOnWindowsNT)))
                return Fail(error, line.line,
                            "duplicate item name " + *name + " in group " +
                                state.groupNames[r.GroupNumber - 1]);
        state.contents->items.push_back(r);
    }
    return true;
}

}  // namespace pkgbuild
