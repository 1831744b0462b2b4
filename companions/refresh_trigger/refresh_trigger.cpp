#include "companions/refresh_trigger/refresh_trigger.h"

#include "core/companion_start.h"

namespace wendle {

bool sendRefresh(int timeoutMs) { return core::linkExecute("Quarrow", "frmCmd", "4", timeoutMs); }

}  // namespace wendle
