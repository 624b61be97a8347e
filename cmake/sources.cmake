# Every product source file, by kind. Paths are relative to the repository root.
#
# Pure logic never includes <windows.h>: it is built natively for the unit
# tests (under sanitizers) and by MinGW into the program. If a file listed
# here includes a platform header, the native build breaks; that is the check.
set(VELLUMO_PURE_SOURCES
    framework/text_number.cpp
    app/command_line.cpp
    calendar/month_model.cpp
    controls/clock_digits.cpp
    memo/digest.cpp
    memo/memo_format.cpp
    memo/ical_text.cpp
    memo/ical_time.cpp
    memo/ical_recur.cpp
    memo/ical_reader.cpp
    memo/ical_zone.cpp
    memo/ical_export.cpp
    memo/ical_import.cpp
    memo/reminder_rules.cpp
    settings/settings_rules.cpp
    controls/ticker_motion.cpp
    controls/button_paint_rules.cpp
    controls/progress_cells.cpp
    menus/menu_theme_rules.cpp
    tools/install_dir.cpp
    res/artwork/raster.cpp
    res/artwork/pixel_font.cpp
    res/artwork/image_files.cpp
    res/artwork/skin.cpp
    res/artwork/clock_glyphs.cpp
    res/artwork/icons.cpp
    res/artwork/editor_picture.cpp
    res/artwork/progress_cells.cpp
    res/artwork/artwork_scale.cpp
    res/artwork/art_files.cpp
    companions/scourwell/clean_rules.cpp
    companions/sandrel/backup_rules.cpp
)

# Window code: built only by MinGW, into the library that both Vellumo.exe
# and the in-process window tests link.
set(VELLUMO_WIN_SOURCES
    framework/file.cpp
    memo/memo_store.cpp
    memo/month_memos.cpp
    settings/settings_store.cpp
    framework/wnd_hook.cpp
    framework/wnd.cpp
    framework/local_time.cpp
    framework/dialog.cpp
    framework/win_app.cpp
    framework/display_scale.cpp
    framework/shell_calls.cpp
    framework/local_caption.cpp
    app/app_state.cpp
    menus/menu_look.cpp
    menus/menu_style.cpp
    menus/menu_window.cpp
    menus/themed_menu.cpp
    tray/tray_icon.cpp
    calendar/vellumo_dlg.cpp
    calendar/about_dlg.cpp
    controls/skin_button.cpp
    controls/skin_label.cpp
    tools/launchers.cpp
    controls/lcd_clock.cpp
    settings/dlg_setting.cpp
    tools/dlg_clear_history.cpp
    controls/progress_ctrl.cpp
    controls/ticker_ctrl.cpp
    framework/spin_button.cpp
    controls/offscreen_dc.cpp
    controls/image_slider.cpp
    memo/remark_dlg.cpp
    memo/reminder_thread.cpp
)

# Only in Vellumo.exe: the application object and the entry point.
set(VELLUMO_APP_SOURCES
    app/vellumo_app.cpp
    framework/win_main.cpp
)
