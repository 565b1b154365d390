#pragma once
// A list of owned object pointers. Release_All deletes every element through its virtual
// destructor and empties the list; the container stays usable afterwards.
#include <list>
#include <type_traits>

template <typename T>
requires std::is_pointer_v<T>
class List_Normal_Single_Point_Container {
public:
    List_Normal_Single_Point_Container() = default;
    virtual ~List_Normal_Single_Point_Container() { Release_All(); }
    List_Normal_Single_Point_Container(const List_Normal_Single_Point_Container&) = delete;
    List_Normal_Single_Point_Container& operator=(const List_Normal_Single_Point_Container&) = delete;

    virtual void Release_All() {
        for (T& element : List) {
            delete element;
            element = nullptr;
        }
        List.clear();
    }

    std::list<T> List;
};
