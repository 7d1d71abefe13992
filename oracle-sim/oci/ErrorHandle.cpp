#include "ErrorHandle.h"

#include <algorithm>

namespace oraclesim {

ErrorHandle::ErrorHandle(EnvHandle *env, ub4 type, ErrorHandle *parent)
    : HandleBase(type, env, parent != nullptr), m_parent(parent)
{
}

ErrorHandle::~ErrorHandle()
{
    for (ErrorHandle *child : m_children)
        if (child) {
            child->m_parent = nullptr;
            delete child;
        }
}

void ErrorHandle::set(const OraError &error) { m_records.assign(1, error); }

void ErrorHandle::setBatchErrors(std::vector<std::pair<ub4, OraError>> errors) { m_batch = std::move(errors); }

ErrorHandle *ErrorHandle::batchError(ub4 index)
{
    if (index >= m_batch.size())
        return nullptr;
    if (m_children.size() <= index)
        m_children.resize(index + 1, nullptr);
    if (!m_children[index])
        m_children[index] = new ErrorHandle(env(), oci::HTYPE_ERROR, this);
    ErrorHandle *child = m_children[index];
    child->m_rowOffset = m_batch[index].first;
    child->set(m_batch[index].second);
    return child;
}

void ErrorHandle::release(ErrorHandle *child)
{
    std::replace(m_children.begin(), m_children.end(), child, static_cast<ErrorHandle *>(nullptr));
}

} // namespace oraclesim
