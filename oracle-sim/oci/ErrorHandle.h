#pragma once

#include "HandleBase.h"
#include "OraError.h"

#include <memory>
#include <utility>
#include <vector>

namespace oraclesim {

// The error records of the last failing call (OCI_HTYPE_ERROR), and after an array DML in batch
// mode, one child error handle per failed row carrying that row's offset and error. The
// environment handle keeps records the same way.
class ErrorHandle : public HandleBase {
public:
    explicit ErrorHandle(EnvHandle *env, ub4 type = oci::HTYPE_ERROR, ErrorHandle *parent = nullptr);
    ~ErrorHandle() override;

    void set(const OraError &error);
    const std::vector<OraError> &records() const noexcept { return m_records; }

    void setBatchErrors(std::vector<std::pair<ub4, OraError>> errors);
    // The child handle of the index-th failed row (0-based), or nullptr past the last.
    ErrorHandle *batchError(ub4 index);
    ub4 rowOffset() const noexcept { return m_rowOffset; }
    // A child freed by the client is no longer ours to free.
    void release(ErrorHandle *child);
    ErrorHandle *parent() const noexcept { return m_parent; }

private:
    std::vector<OraError> m_records;
    std::vector<std::pair<ub4, OraError>> m_batch;
    std::vector<ErrorHandle *> m_children; // owned; reused across executes
    ErrorHandle *m_parent;
    ub4 m_rowOffset = 0;
};

} // namespace oraclesim
