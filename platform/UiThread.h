#pragma once

#include <functional>
#include <memory>

// Runs `work` on the user-interface thread (the Qt application's event loop) unless `alive` has
// gone by then. Without an application nothing runs.
void PostToUi(const std::weak_ptr<bool>& alive, std::function<void()> work);
