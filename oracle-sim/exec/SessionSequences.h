#pragma once

#include "Evaluator.h"

#include <cstdint>
#include <string>

namespace oraclesim {

class Session;

// NEXTVAL and CURRVAL for one session's statements; CURRVAL is the session's own last NEXTVAL.
class SessionSequences : public SequenceSource {
public:
    explicit SessionSequences(Session &session) : m_session(session) {}
    std::int64_t nextValue(const std::string &owner, const std::string &name) override;
    std::int64_t currentValue(const std::string &owner, const std::string &name) override;

private:
    Session &m_session;
};

} // namespace oraclesim
