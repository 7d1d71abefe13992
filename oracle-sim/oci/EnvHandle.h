#pragma once

#include "ErrorHandle.h"

namespace oraclesim {

// The environment: the root every other handle hangs from. Errors of calls that have no error
// handle (allocation on the environment) are kept here.
class EnvHandle : public ErrorHandle {
public:
    EnvHandle() : ErrorHandle(nullptr, oci::HTYPE_ENV) {}
};

} // namespace oraclesim
