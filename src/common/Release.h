// The two releases built from this tree; each program's main picks one.
#pragma once

enum class Release { V17, V12 };
