// Filled in by the subsystem that owns it.
#pragma once
