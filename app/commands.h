// The front end's commands.
#pragma once

#include <string>
#include <vector>

namespace q7310::app {

int runDemo(const std::vector<std::string>& args);

}  // namespace q7310::app
