// The tests' container is the project's control container.
#pragma once

#include "tools/container/control_container.h"

namespace test {
using TestContainer = host::ControlContainer;
}  // namespace test
