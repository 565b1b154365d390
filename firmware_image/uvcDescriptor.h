// The model of one USB configuration descriptor of a UVC camera: the descriptors before
// its first interface association, and one function object per interface association
// (a video function carries an editable stream model). Functions are written back either
// as they were read or, for a video function, rebuilt from a wanted stream model.
//
// Every walk stays within the configuration's wTotalLength and the bytes actually given,
// and ends at a descriptor that is not whole (bLength below 2 or below what its type
// needs, or running past the end). Function objects keep their own copy of their bytes
// and hold offsets into it, so nothing points into memory the caller may free.
#pragma once

#include "firmware_image/Descriptor_Bytes.h"
#include "firmware_image/Video_Stream_Model.h"

#include <cstdint>
#include <memory>
#include <vector>

inline constexpr std::uint8_t Function_Class_Audio = 0x01;
inline constexpr std::uint8_t Function_Class_Video = 0x0E;

// A function of any class, loaded from an interface association descriptor.
class usbInterfaceAssociationCurrencyDes {
public:
    // An empty function: no source, every length 0.
    usbInterfaceAssociationCurrencyDes();
    // Loads the function whose IAD starts `function_on` (which runs to the end of the
    // configuration): the IAD and what precedes its first interface, then at most two
    // interfaces, one control and one streaming, in either order.
    explicit usbInterfaceAssociationCurrencyDes(Byte_Span function_on);
    virtual ~usbInterfaceAssociationCurrencyDes();

    usbInterfaceAssociationCurrencyDes(const usbInterfaceAssociationCurrencyDes&) = delete;
    usbInterfaceAssociationCurrencyDes& operator=(const usbInterfaceAssociationCurrencyDes&) = delete;

    // Returns the length of the second interface part collected (0 when there is none).
    virtual std::uint16_t Load_Function(Byte_Span function_on);
    virtual std::uint16_t Reload_Function(Byte_Span function_on);
    virtual std::uint16_t Get_Total_Length() const;
    virtual std::uint16_t Get_Head_Length() const;
    virtual std::uint16_t Get_Control_Length() const;
    virtual std::uint16_t Get_Streaming_Length() const;
    virtual bool Is_Video_Function() const;
    virtual bool Is_Audio_Function() const;
    virtual bool Is_Empty() const;
    virtual bool Has_Stream_Model() const;
    virtual void Clear_Descriptors();
    // Collects the interface descriptor at `offset` of the function being loaded and the
    // descriptors that belong to it (alternate settings included); returns the length
    // collected, or 0 (and empties the function) when it is not a control or streaming
    // interface.
    virtual std::uint16_t Add_Interface_Descriptors(Byte_Span function_on, std::size_t offset);
    // Appends the function's bytes as read; returns their length.
    virtual std::uint16_t Copy_Descriptors(std::vector<std::uint8_t>& out) const;

    // The function's bytes as read (empty when the function is empty), and its parts.
    Byte_Span Get_Bytes() const { return Bytes; }
    Byte_Span Get_Head_Part() const;
    Byte_Span Get_Control_Part() const;
    Byte_Span Get_Streaming_Part() const;
    // Offsets of the descriptors of each part within Get_Bytes(), in order.
    const std::vector<std::uint16_t>& Get_Head_List() const { return Head_List; }
    const std::vector<std::uint16_t>& Get_Control_List() const { return Control_List; }
    const std::vector<std::uint16_t>& Get_Streaming_List() const { return Streaming_List; }
    // bInterfaceNumber of the streaming interface; -1 when the function has none.
    int Get_Streaming_Interface_Number() const;

protected:
    std::vector<std::uint8_t> Bytes; // the function's copy; empty means no source
    std::vector<std::uint16_t> Head_List;
    std::vector<std::uint16_t> Control_List;
    std::vector<std::uint16_t> Streaming_List;
    std::uint16_t Total_Length = 0;
    std::uint16_t Head_Length = 0;
    std::uint16_t Control_Length = 0;
    std::uint16_t Streaming_Length = 0;
    bool Has_Source = false;

private:
    std::uint16_t Load_Descriptors(Byte_Span function_on);
};

// A video function (bFunctionClass 14): the base's descriptors plus the stream model
// built from its VS input header (none when the streaming part has no header).
class usbInterfaceAssociationVideoDes : public usbInterfaceAssociationCurrencyDes {
public:
    usbInterfaceAssociationVideoDes();
    ~usbInterfaceAssociationVideoDes() override;

    std::uint16_t Reload_Function(Byte_Span function_on) override;
    bool Has_Stream_Model() const override;

    // The model read from the function, or null.
    const Video_Stream_Model* Get_Stream_Model() const { return Stream_Model.get(); }

private:
    void Build_Stream_Model();

    std::unique_ptr<Video_Stream_Model> Stream_Model;
};

class uvcDescriptor {
public:
    // Parses the configuration descriptor in the `size` bytes at `configuration` (null
    // allowed). Anything that is not a configuration descriptor gives an empty model.
    uvcDescriptor(const std::uint8_t* configuration, std::size_t size);
    explicit uvcDescriptor(Byte_Span configuration);
    virtual ~uvcDescriptor();

    uvcDescriptor(const uvcDescriptor&) = delete;
    uvcDescriptor& operator=(const uvcDescriptor&) = delete;

    void Clear_Configuration();
    // Appends the function whose IAD is at `offset` of the copy and moves `offset` past it.
    int Add_Function(std::size_t& offset);
    // A copy of the first function's stream model when it is a video function that has
    // one; an empty model otherwise.
    Video_Stream_Model Get_Stream_Model() const;
    // Appends function `index` to `out` (an index not below the function count selects
    // the first function): a function without a stream model as it was read, a video
    // function rebuilt from `wanted`. Returns the bytes written; 0 (nothing written) when
    // there is no such function or nothing valid to write.
    std::uint16_t Serialise_Function(std::vector<std::uint8_t>& out, std::uint8_t index,
                                     const Video_Stream_Model& wanted) const;

    bool Is_Empty() const { return Copy.empty(); }
    // The configuration descriptor and everything before the first IAD.
    Byte_Span Get_Head() const;
    std::uint16_t Get_Head_Length() const { return Head_Length; }
    const std::vector<std::uint16_t>& Get_Head_List() const { return Head_List; }
    std::size_t Get_Function_Count() const { return Functions.size(); }
    // Function `index`, or null past the end.
    const usbInterfaceAssociationCurrencyDes* Get_Function(std::size_t index) const;
    // wTotalLength as declared, and the bytes the model holds (the smaller of it and the
    // bytes given).
    std::uint16_t Get_Declared_Length() const { return Declared_Length; }
    std::size_t Get_Available_Length() const { return Copy.size(); }
    // Bytes the head and the functions cover; equal to Get_Declared_Length() when the
    // whole configuration was modelled and nothing would be lost by rebuilding it.
    std::size_t Get_Covered_Length() const;

private:
    void Parse();

    std::vector<std::uint8_t> Copy;
    std::vector<std::uint16_t> Head_List;
    std::uint16_t Head_Length = 0;
    std::uint16_t Declared_Length = 0;
    std::vector<std::unique_ptr<usbInterfaceAssociationCurrencyDes>> Functions;
};
