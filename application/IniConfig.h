#pragma once
// The settings file "./info.ini": the identity of every image loaded ("LoadBin"), and the
// record of the last successful burn, from which the tool reloads that image at start-up:
// the burnt image's identity and path ("SourceFileInfo"), the identity the burn wrote
// ("DownloadInfo") and the local date and time ("Date"). Each operation reads the file
// once for all its values and writes its values with one replacement of the file. A missing
// file or key reads as "", and failed writes go unnoticed; a file that is no settings file of
// the tool (past zunq::ui::Largest_Profile_File, or not a regular file) is neither read nor
// written, which is said once on standard error.
//
// The main dialog's second base: its operations read and write the dialog's fields, so only
// the dialog makes one.
#include <array>
#include <string>
#include <vector>

#include "platform/ui/cstring.h"
#include "platform/ui/files.h"

class ZUNQ_USB_CAMDlg;

struct Ini_Record {
    std::string section;
    std::vector<std::string> keys;
};

// The records of Ini_Key_Table, in its order.
enum Ini_Record_Index { Ini_LoadBin = 0, Ini_Source_File_Info = 1, Ini_Download_Info = 2, Ini_Date = 3 };
// SourceFileInfo keeps the burnt image's path under its seventh key ("iaudioproduct").
inline constexpr int Ini_Source_Path_Key = 6;

class IniConfig {
public:
    CString Ini_File_Name;                 // the file every read and write goes to
    std::vector<Ini_Record> Ini_Key_Table; // the sections and their keys, named by index

    // Appends the four records: LoadBin, SourceFileInfo, DownloadInfo, Date.
    void Init_Key_Table();
    // LoadBin keys 0-5 = the image panel's VID, PID, firmware version, product, manufacturer,
    // serial. Called by every load whose image passes the check.
    void Write_LoadBin();
    // The record of a successful burn. Called on the user-interface thread by the burn's
    // timer once the download is complete, while the dialog still holds the image burnt (loads
    // wait for the burn's end): SourceFileInfo keys 0-5 = the image panel's six values, key 6 =
    // the path box; DownloadInfo keys 0-5 = the VID, PID, firmware version, product,
    // manufacturer and serial that the burn wrote, as the identity page shows such values (read
    // from the download image when the page's edits were applied to it at the press); Date =
    // the local date "%d/%d/%d" and time "%d:%d:%d", taken once.
    void Write_Download_Record();
    // Writes "" to LoadBin keys 0-5, SourceFileInfo keys 0-6 and DownloadInfo keys 0-5; the
    // keys stay, and Date is kept.
    void Clear_Sections();
    // True when SourceFileInfo keys 0-5 of `settings` equal the loaded image's VID, PID,
    // firmware version, product, manufacturer and serial, without regard to ASCII letter case.
    bool Compare_Source_Info(const zunq::ui::Profile_Text& settings);
    // The identity page's six values from DownloadInfo of `settings`; the file path, path box
    // and title from SourceFileInfo's path.
    void Read_Download_Info(const zunq::ui::Profile_Text& settings);

protected:
    // The file's text, read once for all the values an operation reads; empty when the file
    // is missing or refused (larger than zunq::ui::Largest_Profile_File, not a regular file).
    zunq::ui::Profile_Text Read_Settings();
    // One value of `settings`, cut to 254 bytes; "" when it is missing.
    CString Value_Of(const zunq::ui::Profile_Text& settings, int record, int key) const;

private:
    friend class ZUNQ_USB_CAMDlg;
    IniConfig() = default;

    ZUNQ_USB_CAMDlg& Dialog();
    // The values of one write, in order; they point into the key table and the callers' texts.
    using Profile_Values = std::vector<zunq::ui::Profile_Value>;
    zunq::ui::Profile_Value Value(int record, int key, const char* value) const;
    // The six fields as keys 0-5 of the record.
    void Add_Values(Profile_Values& values, int record, const std::array<CString*, 6>& fields) const;
    void Write(const Profile_Values& values);
    // One line on standard error, the first time the file is refused.
    void Tell_Refusal_Once(const std::string& refusal);
    bool Settings_Refusal_Told = false;
};
