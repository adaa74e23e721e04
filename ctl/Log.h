// tvxctl log: the device's live records into a datalog, as the window's Record writes them.
#pragma once

#include "Arguments.h"
#include "Device.h"

// Records until --seconds have passed or Ctrl+C; an exit code.
int RecordLog(Device& device, const TableReply& held, const Invocation& inv);
