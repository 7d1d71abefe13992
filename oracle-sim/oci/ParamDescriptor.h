#pragma once

#include "HandleBase.h"
#include "ResultSet.h"

namespace oraclesim {

class StatementHandle;

// OCI_DTYPE_PARAM: one select-list column of an executed or described query.
class ParamDescriptor : public HandleBase {
public:
    ParamDescriptor(EnvHandle *env, StatementHandle *owner, ResultColumn column)
        : HandleBase(oci::DTYPE_PARAM, env, true), m_owner(owner), m_column(std::move(column))
    {
    }
    StatementHandle *owner() const noexcept { return m_owner; }
    const ResultColumn &column() const noexcept { return m_column; }

private:
    StatementHandle *m_owner;
    ResultColumn m_column;
};

} // namespace oraclesim
