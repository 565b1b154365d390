"""Operator journeys through the real tool on a real X server (see display_test_bed.py).

    dbus-run-session -- /usr/bin/python3 journeys.py JOURNEY --tool build/application/zunq_sf_tool
        --images build/demo_images --source . --artifacts build

Each journey starts the tool on the demo's simulated cameras, each camera holding its demo
image in its flash and writing the flash to "flash-<camera>.bin" in the working directory when
the simulation ends, works the dialog with the mouse and keyboard, and checks what the
operator relies on: the dialog's texts, "./info.ini", the files saved and the cameras' flash.
Exit status: 0 passed, 1 failed, 77 skipped (with the reason).
"""

import argparse
import configparser
import json
import os
import shutil
import signal
import subprocess
import sys
import time

from display_test_bed import Journey_Failed, Journey_Skipped, Test_Bed, Wait_For

Device_Captions = ("VID:", "PID:", "固件版本:", "设备名称：", "iManufacture:")
Image_Captions = ("VID:", "PID:", "固件版本:", "设备名称:", "iManufacture:")


def Expect(condition, what):
    if not condition:
        raise Journey_Failed(what)


def Number(value):
    return int(value, 0) if isinstance(value, str) else value


class Journey:
    """The demo scenario in a fresh working directory, its images beside it."""

    def __init__(self, bed, options):
        self.bed, self.options = bed, options
        with open(os.path.join(options.source, "scenarios", "demo.json"), encoding="utf-8") as demo:
            self.scenario = json.load(demo)
        self.images = {}
        for camera in self.scenario["cameras"]:
            image = os.path.join(options.images, camera["family"] + ".bin")
            self.images[camera["name"]] = shutil.copy(image, bed.work)
            camera["flash"]["contents"] = os.path.basename(image)
            camera["flash"]["save_to"] = "flash-%s.bin" % camera["name"]

    def Camera(self, name):
        return next(c for c in self.scenario["cameras"] if c["name"] == name)

    def Index(self, name):
        return [c["name"] for c in self.scenario["cameras"]].index(name)

    def Flash(self, name):
        try:
            with open(os.path.join(self.bed.work, "flash-%s.bin" % name), "rb") as flash:
                return flash.read()
        except FileNotFoundError:
            raise Journey_Failed("no flash-%s.bin: the simulation did not end with the tool" % name)

    def Flash_At_Start(self, name):
        with open(self.images[name], "rb") as image:
            contents = image.read()
        size = Number(self.Camera(name)["flash"]["size"])
        return contents + b"\xff" * (size - len(contents))

    def Settings(self):
        settings = configparser.ConfigParser(interpolation=None)
        settings.optionxform = str
        settings.read(os.path.join(self.bed.work, "info.ini"), encoding="utf-8")
        return settings

    # The main dialog's parts.

    def Main(self):
        return self.bed.Main()

    def Start(self):
        self.bed.Start_Tool(self.scenario)

    def Camera_List(self, main=None):
        # The first list of the dialog; the resolutions' list is on a page after it.
        return (main or self.Main()).find("list")

    def Device_Panel(self, main=None):
        panel = (main or self.Main()).group("设备配置")
        return [panel.beside(caption).shown_text for caption in Device_Captions]

    def Image_Panel(self, main=None):
        panel = (main or self.Main()).group("固件配置")
        return [panel.beside(caption).shown_text for caption in Image_Captions]

    def Flash_Name(self, main=None):
        main = main or self.Main()
        return main.below(self.Camera_List(main), roles=("text",)).text

    def Path_Box(self, main=None):
        main = main or self.Main()
        return main.beside(main.find("push button", "加载程序"), roles=("text",)).text

    def Progress(self, main=None):
        """The burn's progress bar, in percent."""
        return (main or self.Main()).find("progress bar").value

    def Log_Box(self, main=None):
        main = main or self.Main()
        return main.beside(main.find("page tab list"), roles=("text",)).text

    def Identity_Page(self, main=None):
        return (main or self.Main()).holding("check box", "保存")

    def Format_Page(self, main=None):
        return (main or self.Main()).holding("label", "默认分辨率")

    # What the operator does.

    def Expected_Panel(self, name):
        usb = self.Camera(name)["usb"]
        return ["%04x" % Number(usb["vid"]), "%04x" % Number(usb["pid"]), "%04x" % Number(usb["bcd"]),
                usb["product"], usb["manufacturer"]]

    def Expected_Image_Panel(self, name):
        # The demo image of a camera carries its identity and the next release number.
        panel = self.Expected_Panel(name)
        panel[2] = "%04x" % (Number(self.Camera(name)["usb"]["bcd"]) + 1)
        return panel

    def Select_Camera(self, name):
        index = self.Index(name)
        item = self.Camera_List().find_all("list item")[index]
        self.bed.Click(item)
        expected = self.Expected_Panel(name)
        part = self.Camera(name)["flash"]["name"]
        Wait_For(lambda: self.Device_Panel() == expected and part in self.Flash_Name() and
                 self.Camera_List().find_all("list item")[index].selected,
                 "%s's identity and flash part after a click on %r" % (name, item.name))
        self.bed.Shot("camera %d selected" % index)

    def Load_Image(self, name, check_file_dialog=None):
        """"加载程序", the path typed into the file dialog, Enter."""
        path = self.images[name]
        self.bed.Click(self.Main().find("push button", "加载程序"))
        chooser = Wait_For(lambda: self.bed.Window("Open"), "the file dialog")
        if check_file_dialog:
            check_file_dialog(chooser)
        name_box = chooser.find("text", "File name:")
        if not name_box.focused:
            self.bed.Click(name_box)
        self.bed.Type(path)
        Wait_For(lambda: self.bed.Window("Open").find("text", "File name:").text == path,
                 "the path typed into the file dialog")
        self.bed.Shot("file dialog")
        self.bed.Key("Return")
        expected = self.Expected_Image_Panel(name)
        Wait_For(lambda: self.bed.Window("Open") is None and self.Path_Box() == path and
                 self.Image_Panel() == expected, "the image %s loaded and shown" % path)
        self.bed.Shot("image loaded")

    def Replace_Text(self, edit, text):
        """Clicks into the edit, selects all of it and types over it."""
        self.bed.Click(edit)
        self.bed.Key("ctrl+a")
        self.bed.Type(text)

    def Edits(self):
        page = self.Identity_Page()
        return {caption: page.beside(caption, roles=("text",)).text for caption in ("VID:", "PID:", "设备名称:")}

    def Edit_Identity(self, vid, pid, product):
        page = self.Identity_Page()
        loaded = self.Edits()
        # A character that is no hexadecimal digit brings back the loaded values.
        self.Replace_Text(page.beside("VID:", roles=("text",)), vid[:2] + "g")
        self.bed.Answer_Message_Box("输入非法！请输入0~F,不区分大小写")
        Wait_For(lambda: self.Edits() == loaded, "the loaded values back after a bad character")
        # A fifth digit is cut off.
        self.Replace_Text(self.Identity_Page().beside("VID:", roles=("text",)), vid + "5")
        self.bed.Answer_Message_Box("字符长度超过限制！请重新输入！")
        Wait_For(lambda: self.Edits()["VID:"] == vid, "VID cut to four digits")
        self.Replace_Text(self.Identity_Page().beside("PID:", roles=("text",)), pid)
        # The product's edit takes typing only once its box is ticked.
        product_edit = self.Identity_Page().beside("设备名称:", roles=("text",))
        self.Replace_Text(product_edit, "X")
        unlock = self.Identity_Page().beside(product_edit, roles=("check box",))
        self.bed.Click(unlock)
        Wait_For(lambda: self.Identity_Page().beside(product_edit, roles=("check box",)).checked,
                 "the product's unlock box ticked")
        self.Replace_Text(product_edit, product)
        expected = {"VID:": vid, "PID:": pid, "设备名称:": product}
        Wait_For(lambda: self.Edits() == expected, "the identity page showing %s" % expected)
        self.bed.Shot("identity edited")

    def Edit_Resolutions(self, default, unchecked):
        """On "USB配置": `default` chosen in the combo box, `unchecked` unticked in the list."""
        self.bed.Click(self.Main().find("page tab", "USB配置"))
        page = Wait_For(self.Format_Page, "the video-format page")
        self.bed.Click(page.find("combo box"))
        entry = Wait_For(lambda: self.Format_Page().find("combo box").find("list item", default),
                         "the drop-down's entries")
        self.bed.Shot("drop-down open")
        self.bed.Click(entry)
        Wait_For(lambda: self.Format_Page().find("combo box").name == default, "%s as the default" % default)
        item = self.Format_Page().find("list item", unchecked)
        x, y, width, height = item.rect
        self.bed.Click(item, at=(x + 8, y + height // 2))  # on its box
        Wait_For(lambda: not self.Format_Page().find("list item", unchecked).checked, "%s unticked" % unchecked)
        self.bed.Click(self.Format_Page().find("combo box"))
        entries = Wait_For(lambda: [c.name for c in self.Format_Page().find("combo box").find_all("list item")],
                           "the drop-down's entries")
        self.bed.Shot("resolutions edited")
        self.bed.Key("Escape")
        Expect(unchecked not in entries and default in entries,
               "the drop-down offers %s after %s was unticked" % (entries, unchecked))
        self.bed.Click(self.Main().find("page tab", "用户配置"))
        Wait_For(self.Identity_Page, "the identity page")

    def Save(self):
        """"保存", and the file it says it wrote."""
        before = set(os.listdir(self.bed.work))
        self.bed.Click(self.Identity_Page().find("check box", "保存"))
        self.bed.Answer_Message_Box("信息修改成功！")
        added = set(os.listdir(self.bed.work)) - before
        Expect(len(added) == 1, "the save wrote one file: %s" % sorted(added))
        return os.path.join(self.bed.work, added.pop())

    def Burn(self):
        """"下载" and its successful end in the log box."""
        self.bed.Click(self.Main().find("push button", "下载"))
        succeeded = lambda: self.Log_Box().endswith("烧录成功\n\n") and self.Main().find("push button", "下载")
        Wait_For(lambda: self.Main().find("push button", "正在下载") or succeeded(), "the burn under way")
        self.bed.Shot("burning")
        Wait_For(succeeded, "the burn's success in the log box", seconds=120)
        self.bed.Shot("burnt")

    # The burn is still being built: the journeys that need it ask the dialog for it.

    def Require_Burn(self):
        """Without an image loaded, "下载" refuses with a message box."""
        self.bed.Click(self.Main().find("push button", "下载"))
        Wait_For(self.bed.Message_Box, "the burn's refusal", seconds=10)
        self.bed.Answer_Message_Box("请先选择更新的程序！")


def Descriptor_With(image, vid, pid):
    """Whether a USB device descriptor (18 bytes, type 1) with these ids is in the image."""
    at = image.find(b"\x12\x01")
    while at >= 0:
        if image[at + 8:at + 12] == vid.to_bytes(2, "little") + pid.to_bytes(2, "little"):
            return True
        at = image.find(b"\x12\x01", at + 1)
    return False


def Frame_Size(width, height):
    """A resolution as the image's frame descriptors and resolution table store it."""
    return width.to_bytes(2, "little") + height.to_bytes(2, "little")


# ---- The journeys.


def camera_list(journey):
    """Every camera clicked in turn shows its identity and flash part; a click below the items
    changes nothing."""
    journey.Start()
    journey.bed.Shot("started")
    names = [c["name"] for c in journey.scenario["cameras"]]
    items = [c.name.strip() for c in journey.Camera_List().find_all("list item")]
    Expect(items == ["camera-%d_Hubport-%d" % (i, Number(c["usb"]["port"]))
                     for i, c in enumerate(journey.scenario["cameras"])], "the list shows %s" % items)
    for name in names[1:] + names[:1]:
        journey.Select_Camera(name)
    listed = journey.Camera_List()
    x, y, width, height = listed.rect
    journey.bed.Click(listed, at=(x + width // 2, y + height - 6))
    time.sleep(0.5)  # nothing is to happen: give it the time to happen wrongly
    Expect(journey.Device_Panel() == journey.Expected_Panel(names[0]) and
           journey.Camera_List().find_all("list item")[0].selected,
           "a click below the cameras kept the first selected")
    journey.bed.Shot("clicked below the cameras")
    journey.bed.Close_Tool()
    for name in names:
        Expect(journey.Flash(name) == journey.Flash_At_Start(name), "%s's flash is as it was" % name)


def load_image(journey):
    """The file dialog shows the tool's filter by its own text and lists what it lets through;
    it takes a typed path; the image panel, the tabs and "./info.ini" follow."""

    def Check_File_Dialog(chooser):
        types = chooser.beside("Files of type:", roles=("combo box",)).name
        Expect(types == "Text files(*.bin)", "the file dialog's type list shows %r" % types)
        cells = lambda: [c.name for c in journey.bed.Window("Open").find("tree", "Files").find_all("table cell")]
        listed = Wait_For(lambda: len([n for n in cells() if n.endswith(".bin")]) == len(journey.images) and cells(),
                          "the images listed in the file dialog")
        Expect("scenario.json" not in listed, "the file dialog lists what its filter lets through: %s" % listed)

    journey.Start()
    journey.Load_Image("lab-56", Check_File_Dialog)
    tabs = [c.name for c in journey.Main().find_all("page tab")]
    Expect(tabs == ["用户配置", "参数配置", "USB配置"], "the tabs of a 256 KB image: %s" % tabs)
    journey.bed.Close_Tool()
    loaded = journey.Settings()["LoadBin"]
    vid, pid, bcd, product, manufacturer = journey.Expected_Image_Panel("lab-56")
    Expect([loaded.get(k) for k in ("vid", "pid", "bcd", "iproduct", "imanufacture")] ==
           [vid, pid, bcd, product, manufacturer], "./info.ini records the image loaded: %s" % dict(loaded))


def edit_identity_and_resolutions(journey):
    """VID, PID and product typed on "用户配置" (the product unlocked first), a bad character
    and a fifth digit refused; on "USB配置" another default resolution and one unticked."""
    journey.Start()
    journey.Load_Image("lab-56")
    journey.Edit_Identity("1a2b", "2c3d", "Lab Camera 56")
    journey.Edit_Resolutions("640 X 480", "1280 X 720")
    Expect(journey.Edits() == {"VID:": "1a2b", "PID:": "2c3d", "设备名称:": "Lab Camera 56"},
           "the identity edits kept across the tabs")
    journey.bed.Close_Tool()


def save_beside_image(journey):
    """"保存" writes the edited image beside the loaded one, named by its title, ids and time."""
    journey.Start()
    journey.Load_Image("lab-56")
    journey.Edit_Identity("1a2b", "2c3d", "Lab Camera 56")
    journey.Edit_Resolutions("640 X 480", "1280 X 720")
    saved = journey.Save()
    title = os.path.splitext(journey.images["lab-56"])[0]
    Expect(os.path.dirname(saved) == journey.bed.work and
           os.path.basename(saved).startswith(os.path.basename(title) + "_VID1a2b_PID2c3d_BCD0301_"),
           "the saved file's name: %s" % saved)
    with open(saved, "rb") as out:
        image = out.read()
    Expect(len(image) == 0x40000, "the saved image has the padded size")
    Expect(Descriptor_With(image, 0x1A2B, 0x2C3D), "the saved image carries VID 1a2b and PID 2c3d")
    Expect("Lab Camera 56".encode("utf-16-le") in image, "the saved image carries the new product")
    with open(journey.images["lab-56"], "rb") as loaded:
        original = loaded.read()
    Expect(original == journey.Flash_At_Start("lab-56")[:0x40000], "the loaded image is unchanged")
    Expect(Frame_Size(1280, 720) in original and Frame_Size(1280, 720) not in image and
           Frame_Size(640, 480) in image, "the saved image offers 640 X 480 and no longer 1280 X 720")
    journey.bed.Close_Tool()


def burn_external_hub_camera(journey):
    """The edited image burnt into the camera clicked on the external hub: its flash holds
    exactly the image the save writes for the same edits, and no other camera's flash changed."""
    journey.Start()
    journey.Require_Burn()
    journey.Select_Camera("lab-56")
    journey.Load_Image("lab-56")
    journey.Edit_Identity("1a2b", "2c3d", "Lab Camera 56")
    journey.Edit_Resolutions("640 X 480", "1280 X 720")
    with open(journey.Save(), "rb") as saved:
        edited = saved.read()
    journey.Burn()
    # The burn restarts the camera: it leaves the list and comes back selected, with the
    # identity of the image it now runs.
    index = journey.Index("lab-56")
    burnt = journey.Expected_Image_Panel("lab-56")
    burnt[0:2] = ["1a2b", "2c3d"]
    burnt[3] = "Lab Camera 56"
    Wait_For(lambda: len(journey.Camera_List().find_all("list item")) == 5 and
             journey.Camera_List().find_all("list item")[index].selected and
             journey.Device_Panel() == burnt, "lab-56 back in the list after its restart, as the burnt image says")
    journey.bed.Shot("camera back")
    journey.bed.Close_Tool()
    flash = journey.Flash("lab-56")
    Expect(flash[:len(edited)] == edited, "lab-56's flash holds exactly the edited image")
    Expect(flash[len(edited):] == b"\xff" * (len(flash) - len(edited)), "and nothing after it")
    for camera in journey.scenario["cameras"]:
        if camera["name"] != "lab-56":
            Expect(journey.Flash(camera["name"]) == journey.Flash_At_Start(camera["name"]),
                   "%s's flash is as it was" % camera["name"])


def click_during_preparation(journey):
    """A click on another camera while the clicked one on the external hub is away being
    prepared: the list takes no click, the burn goes on into the camera pressed for, and no
    other camera's flash changes."""
    # lab-56 leaves on the write that prepares its chip; away 6 s, the click lands in time.
    journey.Camera("lab-56")["leaves"][0]["back_after_ms"] = 6000
    journey.Start()
    journey.Select_Camera("lab-56")
    journey.Load_Image("lab-56")
    journey.Edit_Identity("1a2b", "2c3d", "Lab Camera 56")
    with open(journey.Save(), "rb") as saved:
        edited = saved.read()
    journey.bed.Click(journey.Main().find("push button", "下载"))
    # lab-56 gone from the list: the last camera there now is lab-3d.
    Wait_For(lambda: len(journey.Camera_List().find_all("list item")) == 4, "lab-56 away being prepared")
    last = journey.Camera_List().find_all("list item")[-1]
    Expect(last.name.endswith("Hubport-3"), "lab-3d last in the list: %r" % last.name)
    journey.bed.Click(last)
    journey.bed.Shot("another camera clicked")
    Expect(not journey.Camera_List().find_all("list item")[-1].selected, "the list took the click during the burn")
    Expect(journey.Main().find("push button", "正在下载"), "the burn still under way (a machine this slow needs "
           "lab-56 away longer)")
    succeeded = lambda: journey.Log_Box().endswith("烧录成功\n\n") and journey.Main().find("push button", "下载")
    Wait_For(succeeded, "the burn's success in the log box", seconds=120)
    journey.bed.Shot("burnt")
    journey.bed.Close_Tool()
    flash = journey.Flash("lab-56")
    Expect(flash[:len(edited)] == edited, "lab-56's flash holds exactly the edited image")
    for camera in journey.scenario["cameras"]:
        if camera["name"] != "lab-56":
            Expect(journey.Flash(camera["name"]) == journey.Flash_At_Start(camera["name"]),
                   "%s's flash is as it was" % camera["name"])


def restart_reloads_image(journey):
    """After a burn, the tool started again in the same directory loads the burnt image."""
    journey.Start()
    journey.Require_Burn()
    journey.Load_Image("desk-8m")
    journey.Burn()
    journey.bed.Close_Tool()
    record = journey.Settings()["SourceFileInfo"]
    Expect(record.get("iaudioproduct") == journey.images["desk-8m"], "./info.ini records the burnt image")
    journey.Start()
    expected = journey.Expected_Image_Panel("desk-8m")
    Wait_For(lambda: journey.Path_Box() == journey.images["desk-8m"] and journey.Image_Panel() == expected,
             "the burnt image reloaded at start-up")
    journey.bed.Shot("restarted")
    journey.bed.Close_Tool()


def unplug_and_replug(journey):
    """The camera selected leaves the host and comes back on its port: the list follows, the
    panel empties and shows the camera again."""
    journey.scenario["timeline"] = [{"at_ms": 8000, "unplug": "lab-56"}, {"at_ms": 11000, "plug": "lab-56"}]
    journey.Start()
    journey.Select_Camera("lab-56")
    Expect(len(journey.Camera_List().find_all("list item")) == 5,
           "lab-56 selected before it leaves (a machine this slow needs a later timeline)")
    Wait_For(lambda: len(journey.Camera_List().find_all("list item")) == 4 and
             journey.Device_Panel() == [""] * 5 and journey.Flash_Name() == "", "the list and panel without lab-56")
    journey.bed.Shot("unplugged")
    index = journey.Index("lab-56")
    Wait_For(lambda: len(journey.Camera_List().find_all("list item")) == 5 and
             journey.Camera_List().find_all("list item")[index].selected and
             journey.Device_Panel() == journey.Expected_Panel("lab-56") and
             journey.Camera("lab-56")["flash"]["name"] in journey.Flash_Name(), "lab-56 back and selected")
    journey.bed.Shot("plugged back")
    journey.bed.Close_Tool()


def burn_refused_while_preview_runs(journey):
    """A camera whose preview runs is not burnt: the log and a box say so, its flash is kept."""
    journey.Camera("lab-56")["registers"]["0x2310"] = "0x05"
    journey.Start()
    journey.Require_Burn()
    journey.Select_Camera("lab-56")
    journey.Load_Image("lab-56")
    journey.bed.Click(journey.Main().find("push button", "下载"))
    journey.bed.Answer_Message_Box("请先关闭预览相机后再进行烧录！")
    Wait_For(lambda: "设备校检失败\n烧录失败\n" in journey.Log_Box() and journey.Main().find("push button", "下载"),
             "the refusal in the log box and the button back")
    journey.bed.Shot("refused")
    journey.bed.Close_Tool()
    Expect(journey.Flash("lab-56") == journey.Flash_At_Start("lab-56"), "lab-56's flash is as it was")


def signal_ends_open_boxes(journey):
    """Ctrl+C or a `kill` while the file dialog, a message box or the about box waits for the
    operator ends the tool all the same, and ./info.ini stays as it was. The file dialog ended,
    the earlier file (none) is read again and refused: that box, shown after the signal, holds
    nothing up."""
    settings = os.path.join(journey.bed.work, "info.ini")
    empty = os.path.join(journey.bed.work, "empty.bin")
    open(empty, "wb").close()

    def Settings_Bytes():
        with open(settings, "rb") as ini:
            return ini.read()

    def End_With(number, what):
        before = Settings_Bytes()
        journey.bed.Shot(what)
        took = journey.bed.Signal_Tool(number)
        Expect(Settings_Bytes() == before, "./info.ini as it was after signal %d" % number)
        print("ended %.3f s after signal %d, %s open" % (took, number, what))

    def Open_File_Dialog():
        journey.Start()
        journey.bed.Click(journey.Main().find("push button", "加载程序"))
        Wait_For(lambda: journey.bed.Window("Open"), "the file dialog")

    Open_File_Dialog()
    End_With(signal.SIGTERM, "file dialog")

    Open_File_Dialog()
    journey.bed.Type(empty)
    Wait_For(lambda: journey.bed.Window("Open").find("text", "File name:").text == empty,
             "the path typed into the file dialog")
    journey.bed.Key("Return")
    box = Wait_For(journey.bed.Message_Box, "the message box of the refused load")
    Expect("文件加载失败！" in [c.name for c in box.find_all("label")], "the box says the load failed")
    End_With(signal.SIGINT, "refused-load box")

    # The about box, a modal dialog of the tool's own inside the main one, from the system menu
    # (a right click on the dialog).
    journey.Start()
    x, y, width, height = journey.Main().rect
    journey.bed.Xdotool("mousemove", "--sync", x + 4, y + height - 4, "click", "3")
    Wait_For(lambda: len(journey.bed.Shown_X_Windows()) == 2, "the system menu")  # its one item: about
    journey.bed.Key("Down", "Return")
    Wait_For(lambda: journey.bed.Window("关于"), "the about box")
    End_With(signal.SIGTERM, "about box")


def signal_during_burn(journey):
    """A `kill` during a burn closes the tool once the burn is over, and every box asked for
    after it answers at once: an about box the operator opens meanwhile does not show, nor,
    after a signal that ended an open about box, a second one or the box of the burn's
    failure. The burn's outcome goes to standard error, and a failed one ends the tool with
    status 1."""
    bed = journey.bed
    # lab-56 stays away 24 s after the write that prepares its chip, and the burn waits for it
    # (for some 30 s at most): each half's checks need the burn under way, and take some 4 s on
    # an idle machine, several times that on one loaded with builds.
    journey.Camera("lab-56")["leaves"][0]["back_after_ms"] = 24000
    too_slow = " (a machine this slow needs lab-56 away longer)"
    under_way = lambda: journey.Main().find("push button", "正在下载")
    closing = lambda: "烧录结束后将关闭窗口" in journey.Log_Box()
    clicked = 0.0

    def Start_Burn(load):
        nonlocal clicked
        journey.Start()
        journey.Select_Camera("lab-56")
        if load:
            journey.Load_Image("lab-56")
        Expect(journey.Path_Box() == journey.images["lab-56"], "lab-56's image loaded")
        bed.Click(journey.Main().find("push button", "下载"))
        clicked = time.monotonic()
        Wait_For(under_way, "the burn under way")

    def System_Menu():
        # A tool that ended meanwhile shows none: its burn, and so the time for the checks, was over.
        Expect(bed.tool.poll() is None, "the tool running until its system menu shows" + too_slow)
        return [w for w in bed.Shown_X_Windows() if w != bed.Main_X_Window()]

    def Ask_For_About_Box():
        """The system menu's one item, as signal_ends_open_boxes opens it."""
        main = journey.Main()
        Expect(under_way(), "the burn under way when the system menu is asked for" + too_slow)
        x, y, width, height = main.rect
        bed.Click(main, at=(x + 4, y + height - 4), button=3)
        menu = Wait_For(System_Menu, "the system menu")
        bed.Key("Down", "Return")
        Wait_For(lambda: menu[0] not in bed.Shown_X_Windows(), "the system menu gone")

    def Expect_No_About_Box(what):
        # A box that shows does so as its menu goes; two seconds without one settle it.
        settled = time.monotonic() + 2
        while time.monotonic() < settled:
            Expect(bed.Window("关于") is None, "the about box shows " + what)
            time.sleep(0.1)
        bed.Shot("no about box")
        Expect(under_way(), "the burn still under way" + too_slow)
        print("no about box %s, checked %.1f s after \"下载\"" % (what, time.monotonic() - clicked))

    def Settings_Bytes():
        with open(os.path.join(bed.work, "info.ini"), "rb") as ini:
            return ini.read()

    Start_Burn(load=True)
    bed.tool.send_signal(signal.SIGTERM)
    Wait_For(closing, "the close put off until the burn's end")
    Ask_For_About_Box()
    Expect_No_About_Box("after the signal")
    told = bed.Wait_For_Tool_End("the burn during which signal 15 came")
    # The burn went on to its end, said on standard error: the record of a successful burn is there.
    Expect("zunq_sf_tool: the burn under way when the tool was asked to end succeeded\n" in told,
           "the burn's success on standard error: %r" % told[-300:])
    record = journey.Settings()["SourceFileInfo"]
    Expect(record.get("iaudioproduct") == journey.images["lab-56"], "./info.ini records the burn: %s" % dict(record))

    # The download fails this time: its chunks cannot be written (flash data, selector 15).
    journey.Camera("lab-56")["faults"] = [{"selector": 15, "code": "SET_CUR", "fail": -1}]
    Start_Burn(load=False)  # the burn's record brings the image back
    before = Settings_Bytes()
    Ask_For_About_Box()
    Wait_For(lambda: bed.Window("关于"), "the about box")
    bed.tool.send_signal(signal.SIGTERM)
    Wait_For(lambda: bed.Window("关于") is None and closing(), "the about box ended and the close put off")
    Ask_For_About_Box()
    Expect_No_About_Box("again after the signal ended the first")
    # Nobody saw the failure's box: standard error and the exit status say it.
    told = bed.Wait_For_Tool_End("the failed burn during which signal 15 came", expected_status=1)
    Expect("zunq_sf_tool: the burn under way when the tool was asked to end failed: 烧录失败！\n" in told,
           "the burn's failure on standard error: %r" % told[-300:])
    Expect(Settings_Bytes() == before, "./info.ini as it was after the failed burn")


def trace_log_after_kill(journey):
    """The tool killed in the middle of a burn, as a crash ends it, leaves in
    ./log.txt every trace line it wrote before: the download's opening lines among them, and
    nothing cut off within a line."""
    bed = journey.bed
    log = os.path.join(bed.work, "log.txt")
    open(log, "wb").close()
    journey.Start()
    journey.Select_Camera("lab-56")
    journey.Load_Image("lab-56")
    bed.Click(journey.Main().find("push button", "下载"))
    # lab-56 comes back 2.5 s after the write that prepares it; its download then takes some
    # seven seconds, writing no line between its opening ones and its end.
    percent = Wait_For(lambda: (journey.Progress() or 0) >= 10 and journey.Progress(), "the download under way",
                       seconds=60)
    Expect(percent < 100, "the burn still under way (a machine this slow reads the bar too late)")
    bed.Shot("downloading")
    bed.Kill_Tool()
    with open(log, "rb") as written:
        lines = written.read()
    print("killed at %d%%: log.txt holds %d bytes" % (percent, len(lines)))
    Expect(b")-Download_Firmware\r\n" in lines, "log.txt holds the download's opening line")
    Expect(lines.endswith(b"\n"), "log.txt ends with a whole line: %r" % lines[-80:])


Journeys = {f.__name__: f for f in (camera_list, load_image, edit_identity_and_resolutions, save_beside_image,
                                     burn_external_hub_camera, click_during_preparation, restart_reloads_image,
                                     unplug_and_replug, burn_refused_while_preview_runs, signal_ends_open_boxes,
                                     signal_during_burn, trace_log_after_kill)}


def In_Own_Session():
    """Re-runs this program in a session bus of its own, which the accessibility bus hangs off
    (an inherited desktop session is not used). Answers an exit status, or None when this is
    the run inside."""
    if os.environ.get("ZUNQ_DISPLAY_SESSION") == str(os.getpid()):
        return None
    if shutil.which("dbus-run-session") is None:
        print("SKIPPED: dbus-run-session is not installed (scripts/setup installs it)")
        return 77
    try:
        import pyatspi  # noqa: F401  Debian's own interpreter has it, with python3-pyatspi
        import Xlib  # noqa: F401
    except ImportError as missing:
        print("SKIPPED: %s (scripts/setup installs python3-pyatspi and python3-xlib)" % missing)
        return 77
    command = ["dbus-run-session", "--", "sh", "-c", 'ZUNQ_DISPLAY_SESSION=$$ exec "$0" "$@"',
               sys.executable] + sys.argv
    return subprocess.run(command).returncode


def main():
    status = In_Own_Session()
    if status is not None:
        return status
    parser = argparse.ArgumentParser()
    parser.add_argument("journey", choices=sorted(Journeys))
    parser.add_argument("--tool", required=True)
    parser.add_argument("--images", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--artifacts", required=True)
    options = parser.parse_args()
    for folder in ("tool", "images", "source", "artifacts"):
        setattr(options, folder, os.path.abspath(getattr(options, folder)))
    started = time.monotonic()
    bed = Test_Bed(options.journey, options.tool, options.artifacts)
    try:
        with bed:
            Journeys[options.journey](Journey(bed, options))
    except Journey_Skipped as skipped:
        print("SKIPPED %s: %s" % (options.journey, skipped))
        return 77
    except Journey_Failed as failure:
        print("FAILED %s: %s (screenshots in %s)" % (options.journey, failure, bed.shots))
        return 1
    print("passed %s in %.1f s" % (options.journey, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
