#include "Extension_Unit_Class/Usb_Tree.h"

#include <algorithm>

#include "Extension_Unit_Class/Usb_Descriptor_Parsing.h"

Usb_Tree_Level::Usb_Tree_Level(std::unique_ptr<Usb_Node_Info> owner)
    : owned_(std::move(owner)), owner_(owned_.get()) {}

bool Usb_Tree_Level::Add_Child(std::unique_ptr<Usb_Tree_Level> child) {
    for (Slot& slot : slots_) {
        if (slot.Kind != 0)
            continue;
        slot.Kind = Child_Level_Kind;
        slot.Level = std::move(child);
        return true;
    }
    return false;
}

bool Usb_Tree_Level::Add_Leaf(std::unique_ptr<Usb_Node_Info> leaf) {
    for (std::size_t i = 0; i + 1 < Slot_Count; ++i) {
        if (slots_[i].Kind != 0)
            continue;
        slots_[i].Kind = Leaf_Kind;
        slots_[i].Leaf = std::move(leaf);
        return true;
    }
    Slot& last = slots_[Slot_Count - 1];
    if (last.Kind == 0) {
        auto continuation = std::make_unique<Usb_Tree_Level>();
        continuation->owner_ = owner_; // its leaves hang on the same hub
        last.Kind = Child_Level_Kind;
        last.Level = std::move(continuation);
        last.Continuation = true;
    }
    if (!last.Continuation)
        return false;
    return last.Level->Add_Leaf(std::move(leaf));
}

std::size_t Usb_Tree_Level::Child_Level_Count() const {
    return static_cast<std::size_t>(std::count_if(
        slots_.begin(), slots_.end(), [](const Slot& slot) { return slot.Level && !slot.Continuation; }));
}

std::size_t Collect_Device_Ports(const Usb_Tree_Level& top, std::uint8_t function_class,
                                 std::uint8_t interface_class, std::size_t capacity,
                                 std::span<const Usb_Node_Info*> nodes,
                                 std::span<const Usb_Node_Info*> hubs) {
    std::fill(nodes.begin(), nodes.end(), nullptr);
    std::fill(hubs.begin(), hubs.end(), nullptr);
    capacity = std::min({capacity, nodes.size(), hubs.size()});
    std::size_t filled = 0;
    if (capacity == 0)
        return 0;
    top.Visit_Leaves([&](const Usb_Node_Info& leaf, const Usb_Node_Info* hub) {
        if (leaf.Configuration_Descriptor &&
            Starts_With_Function(*leaf.Configuration_Descriptor, function_class, interface_class)) {
            nodes[filled] = &leaf;
            hubs[filled] = hub;
            ++filled;
        }
        return filled < capacity;
    });
    return filled;
}
