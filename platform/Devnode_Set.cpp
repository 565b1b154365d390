#include "platform/Devnode_Set.h"

namespace platform {

namespace {

const HRESULT Not_Found = Hresult_From_Win32(Win32_Error::Not_Found);

class Devnode_Set final : public Device_Set {
public:
    explicit Devnode_Set(std::vector<Devnode_Entry> entries) : entries_(std::move(entries)) {}

    HRESULT Element(std::uint32_t index, Device_Element& element) override {
        if (index >= entries_.size())
            return E_NO_MORE_ITEMS;
        element.Dev_Inst = entries_[index].Node.Dev_Inst;
        return S_OK;
    }

    HRESULT Interface(std::uint32_t index, Device_Interface& interface) override {
        std::uint32_t seen = 0;
        for (std::uint32_t element = 0; element < entries_.size(); ++element) {
            if (entries_[element].Interface_Path.empty())
                continue;
            if (seen++ == index) {
                interface = {index, element, 1};
                return S_OK;
            }
        }
        return E_NO_MORE_ITEMS;
    }

    HRESULT Interface_Of_Element(std::uint32_t element, Device_Interface& interface) override {
        if (element >= entries_.size())
            return E_NO_MORE_ITEMS;
        if (entries_[element].Interface_Path.empty())
            return Not_Found;
        std::uint32_t index = 0;
        for (std::uint32_t before = 0; before < element; ++before)
            index += entries_[before].Interface_Path.empty() ? 0 : 1;
        interface = {index, element, 1};
        return S_OK;
    }

    HRESULT Interface_Path(const Device_Interface& interface, std::string& path) override {
        if (interface.Element >= entries_.size() || entries_[interface.Element].Interface_Path.empty())
            return Not_Found;
        path = entries_[interface.Element].Interface_Path;
        return S_OK;
    }

    HRESULT Property(std::uint32_t element, Device_Property property, std::string& text) override {
        if (element >= entries_.size())
            return E_NO_MORE_ITEMS;
        const Devnode& node = entries_[element].Node;
        const std::string* value = nullptr;
        switch (property) {
        case Device_Property::Description:
            value = &node.Description;
            break;
        case Device_Property::Hardware_Id:
            value = &node.Hardware_Id;
            break;
        case Device_Property::Service:
            value = &node.Service;
            break;
        case Device_Property::Class:
            value = &node.Class;
            break;
        case Device_Property::Driver_Key:
            value = &node.Driver_Key;
            break;
        case Device_Property::Instance_Id:
            value = &node.Instance_Id;
            break;
        case Device_Property::Parent_Instance_Id:
            value = &node.Parent_Instance_Id;
            break;
        }
        if (!value || value->empty())
            return Not_Found;
        text = *value;
        return S_OK;
    }

    HRESULT Address(std::uint32_t element, std::uint32_t& address) override {
        if (element >= entries_.size())
            return E_NO_MORE_ITEMS;
        address = entries_[element].Node.Address;
        return S_OK;
    }

private:
    std::vector<Devnode_Entry> entries_;
};

} // namespace

std::unique_ptr<Device_Set> Make_Devnode_Set(std::vector<Devnode_Entry> entries) {
    return std::make_unique<Devnode_Set>(std::move(entries));
}

} // namespace platform
