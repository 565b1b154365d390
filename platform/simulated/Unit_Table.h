#pragma once
// Which extension unit answers at which (topology node, GUID). One unit may be reachable
// under several keys (a chip that answers its probe on node 2 and on node 3 serves the same
// registers on both); a request for a key that is not bound fails, the length query included.
#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "platform/Guid.h"
#include "platform/simulated/Simulated_Unit.h"

namespace platform::simulated {

class Unit_Table {
public:
    void Bind(std::uint32_t node_id, const GUID& guid, std::shared_ptr<Simulated_Unit> unit);
    void Unbind(std::uint32_t node_id, const GUID& guid);
    Simulated_Unit* Find(std::uint32_t node_id, const GUID& guid) const;

private:
    std::map<std::pair<std::uint32_t, GUID>, std::shared_ptr<Simulated_Unit>> units_;
};

} // namespace platform::simulated
