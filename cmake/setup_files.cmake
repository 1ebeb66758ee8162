# What the virtual scanner's setup (VirtualScannerSetup.exe) installs, and where:
#   add_to_virtual_scanner_setup(DESTINATION <folder> [TARGETS <target>...] [FILES <file>...])
# <folder> is a folder as the setup script writes it: "$WINDIR" for the Windows
# directory, "$INSTDIR" for the folder of the maker's programs (the one that
# kelmio32.ini names), or a folder below one of them. The setup installs each built
# target and each file there and its uninstaller removes them again. Every target
# listed here is also checked for imports that Windows XP SP3 lacks.
function(add_to_virtual_scanner_setup)
    cmake_parse_arguments(PARSE_ARGV 0 ARG "" "DESTINATION" "TARGETS;FILES")
    if(NOT ARG_DESTINATION OR ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "add_to_virtual_scanner_setup(DESTINATION <folder> [TARGETS ...] [FILES ...])")
    endif()
    foreach(target IN LISTS ARG_TARGETS)
        set_property(GLOBAL APPEND PROPERTY VIRTUAL_SCANNER_TARGETS ${target})
        set_property(GLOBAL APPEND PROPERTY VIRTUAL_SCANNER_DESTINATIONS "${ARG_DESTINATION}")
        set_property(GLOBAL APPEND PROPERTY VIRTUAL_SCANNER_SOURCES "$<TARGET_FILE:${target}>")
        set_property(GLOBAL APPEND PROPERTY VIRTUAL_SCANNER_NAMES "$<TARGET_FILE_NAME:${target}>")
    endforeach()
    foreach(file IN LISTS ARG_FILES)
        get_filename_component(path ${file} ABSOLUTE)
        get_filename_component(name ${file} NAME)
        set_property(GLOBAL APPEND PROPERTY VIRTUAL_SCANNER_DESTINATIONS "${ARG_DESTINATION}")
        set_property(GLOBAL APPEND PROPERTY VIRTUAL_SCANNER_SOURCES "${path}")
        set_property(GLOBAL APPEND PROPERTY VIRTUAL_SCANNER_NAMES "${name}")
    endforeach()
endfunction()
