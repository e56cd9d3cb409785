#pragma once
// Installing and removing the service with the service control manager. Progress and failures
// are printed to `out` with the platform's error numbers.

#include <cstdio>

namespace dwsvc {

bool installService(std::FILE* out);
bool removeService(std::FILE* out);

}  // namespace dwsvc
