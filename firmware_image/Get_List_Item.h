// Positional access to the model's lists with the model's own rule for a bad position:
// an index of 0, or one not below the list's size, gives the first element. An empty list
// has no element to give, so the answer is null.
#pragma once

#include <cstddef>
#include <iterator>

template <typename List>
auto Get_List_Item(List& list, std::size_t index) -> decltype(&*list.begin()) {
    if (list.empty()) {
        return nullptr;
    }
    auto item = list.begin();
    if (index < static_cast<std::size_t>(list.size())) {
        std::advance(item, static_cast<std::ptrdiff_t>(index));
    }
    return &*item;
}
