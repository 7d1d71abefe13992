#include "StepResult.h"

#include "db/Error.h"

namespace convert {

void StepResult::fail(const std::exception &error)
{
    fail(std::string(error.what()));
    sessionLost = dynamic_cast<const db::ConnectionLostError *>(&error) != nullptr;
    cancelled = dynamic_cast<const db::CancelledError *>(&error) != nullptr;
    if (const auto *server = dynamic_cast<const db::Error *>(&error))
        statement = server->statement();
}

} // namespace convert
