# cmake -DSOURCE_DIR=<root> -P layers.cmake
# Fails when a file of link/, state/ or ctl/ (kx-ctl, on the instrument layer) includes a
# header of the window: app/, panel/, the form (ui_*.h) or Qt Widgets.
file(GLOB_RECURSE files ${SOURCE_DIR}/link/* ${SOURCE_DIR}/state/* ${SOURCE_DIR}/ctl/*)
set(wrong "")
foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
        if(line MATCHES "[\"<](\\.\\./)*(app|panel)/|ui_[A-Za-z]+\\.h|QtWidgets|<Q(Widget|Application|MainWindow|LineEdit|Label|ComboBox|AbstractButton|PushButton|MessageBox|Dialog)>")
            string(APPEND wrong "\n  ${file}: ${line}")
        endif()
    endforeach()
endforeach()
if(wrong)
    message(FATAL_ERROR "The instrument layer includes the window's code:${wrong}")
endif()
