cmake_minimum_required(VERSION 3.20)

# The source folders in layers: a file may include its own folder and the folders listed before
# it, never one after it, so no window folder reaches up into another's and no two folders
# include each other. Run by CTest: cmake -DSOURCE_DIR=<src> -P SourceLayout.cmake
set(layers platform storage filing transfer search widgets mailimport serverlist addressbook compose mailview settings mainwin app)

set(faults "")
list(LENGTH layers count)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
    list(GET layers ${index} folder)
    list(SUBLIST layers ${index} -1 above)
    list(REMOVE_AT above 0)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" includes REGEX "^#include \"[a-z]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" target "${line}")
            if(target IN_LIST above)
                file(RELATIVE_PATH name "${SOURCE_DIR}" "${file}")
                string(APPEND faults "  ${name}: ${line}\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    message(FATAL_ERROR "Includes that reach up the layers (${layers}):\n${faults}")
endif()
