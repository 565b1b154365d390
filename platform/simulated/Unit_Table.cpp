#include "platform/simulated/Unit_Table.h"

namespace platform::simulated {

void Unit_Table::Bind(std::uint32_t node_id, const GUID& guid, std::shared_ptr<Simulated_Unit> unit) {
    units_[{node_id, guid}] = std::move(unit);
}

void Unit_Table::Unbind(std::uint32_t node_id, const GUID& guid) {
    units_.erase({node_id, guid});
}

Simulated_Unit* Unit_Table::Find(std::uint32_t node_id, const GUID& guid) const {
    const auto found = units_.find({node_id, guid});
    return found == units_.end() ? nullptr : found->second.get();
}

} // namespace platform::simulated
