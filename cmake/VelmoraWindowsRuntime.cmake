# The Windows build's bin/ as a user's folder: the Qt DLLs and the plugins velmora.exe and the window suites load
# (platforms/qwindows.dll and qoffscreen.dll, styles/qwindowsvistastyle.dll) copied beside them, with qt.conf
# and Qt's Japanese translations (Debian's, the same Qt version), so that they start there under Wine exactly as
# from the unpacked zip.
set(velmora_bin "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
add_custom_target(
    velmora_windows_runtime ALL
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${velmora_bin}/platforms" "${velmora_bin}/styles"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "$<TARGET_FILE:Qt6::Core>" "$<TARGET_FILE:Qt6::Gui>"
            "$<TARGET_FILE:Qt6::Widgets>" "$<TARGET_FILE:Qt6::Test>" "${velmora_bin}/"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>"
            "$<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>" "${velmora_bin}/platforms/"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>"
            "${velmora_bin}/styles/"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${PROJECT_SOURCE_DIR}/packaging/windows/qt.conf"
            "${velmora_bin}/"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${velmora_bin}/translations"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different /usr/share/qt6/translations/qtbase_ja.qm
            "${velmora_bin}/translations/"
    COMMENT "Qt's DLLs and plugins beside the programs"
    VERBATIM)
