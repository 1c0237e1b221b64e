#pragma once

#include <functional>

// Processes events until done() is true or timeoutMs milliseconds have passed; returns done().
// The link never blocks the event loop: every wait goes through here or through a timer.
bool WaitForCondition(const std::function<bool()>& done, int timeoutMs);
