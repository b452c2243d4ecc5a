#pragma once
namespace shell {
class WindowRegistry;
// Adds every window built into this program to the registry the main window opens
// forms from. A window library sqlvigil_<part> (monitor, storage, schema,
// accessories, status) provides `void <part>::registerWindows(shell::WindowRegistry &)`;
// the build links each library present and calls its function here.
void registerAllWindows(WindowRegistry &registry);
}
