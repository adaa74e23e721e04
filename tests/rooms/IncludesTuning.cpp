// Built by the test of the rooms' directions: a target of the link may not reach the tuning, so
// this include fails there, and builds where the tuning is linked.
#include "tune/VeAnalysis.h"
