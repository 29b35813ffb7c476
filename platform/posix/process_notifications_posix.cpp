// Stand-in for the Windows module notifications: the shared object's own
// load and unload deliver DLL_PROCESS_ATTACH and DLL_PROCESS_DETACH to
// DllMain.
//
// The order matches the Windows C runtime's: the attach runs after every
// static object of the module has been constructed, the detach before any
// is destroyed. Constructors in .init_array run in link order, so the build
// links this object last into the module; the detach runs from .fini_array,
// ahead of the static destructors that the runtime registered at load.
#include "platform/win_api.h"

namespace {

__attribute__((constructor)) void deliverProcessAttach() { DllMain(nullptr, platform::DLL_PROCESS_ATTACH, nullptr); }

__attribute__((destructor)) void deliverProcessDetach() { DllMain(nullptr, platform::DLL_PROCESS_DETACH, nullptr); }

}  // namespace
