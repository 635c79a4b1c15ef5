// The operating-system layer. Everything above src/platform/ reaches the OS
// through the headers gathered here; each has a _posix.cpp and a _win32.cpp
// implementation.
#pragma once

#include "platform/dynlib.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/resources.h"
