#include "resources/builtin_resources.h"

#include "platform/win32/windows.h"

extern const ResourceTable kExecutableResources;
extern const ResourceTable kCommonResResources;

namespace {
// The window's title, width and height.
const StringResource kStrings[] = {
    {6, u"Brisvane"},
    {7, u"460"},
    {8, u"215"},
};
}  // namespace

void RegisterBuiltInResources() {
  Win32_SetExecutableResources(&kExecutableResources, kStrings, sizeof kStrings / sizeof kStrings[0]);
  Win32_RegisterBuiltInModule(u"common_res.dll", &kCommonResResources);
}
