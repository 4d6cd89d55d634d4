# cmake -DSOURCE_DIR=<root> -P layers.cmake
# Dependencies go one way. Fails when a file includes a header of a layer above its own:
#   link/, state/, share/ (the port shared through kx-server), ctl/ (kx-ctl, on the
#     instrument layer) and server/ (kx-server): the window's code (kit/, panel/, app/,
#     the form ui_*.h) or Qt Widgets;
#   kit/, the window's kit: the panel's groups (panel/), the main window (app/) or the form;
#   panel/, and the form, which the groups include: the main window (app/).
set(wrong "")
function(check layer pattern)
    file(GLOB_RECURSE files ${ARGN})
    foreach(file ${files})
        # An include, or the header of one of the form's own widgets.
        file(STRINGS ${file} lines REGEX "^[ \t]*(#[ \t]*include|<header>)")
        foreach(line ${lines})
            if(line MATCHES "${pattern}")
                string(APPEND wrong "\n  ${file}: ${line} (${layer})")
            endif()
        endforeach()
    endforeach()
    set(wrong "${wrong}" PARENT_SCOPE)
endfunction()

check("the instrument layer includes the window"
      "[\"<](\\.\\./)*(app|panel|kit)/|ui_[A-Za-z]+\\.h|QtWidgets|<Q(Widget|Application|MainWindow|LineEdit|Label|ComboBox|AbstractButton|PushButton|MessageBox|Dialog)>"
      ${SOURCE_DIR}/link/* ${SOURCE_DIR}/state/* ${SOURCE_DIR}/share/* ${SOURCE_DIR}/ctl/*
      ${SOURCE_DIR}/server/*)
check("the kit includes the panel, the main window or the form"
      "[\"<](\\.\\./)*(app|panel)/|ui_[A-Za-z]+\\.h" ${SOURCE_DIR}/kit/*)
check("the panel includes the main window"
      "[\"<>](\\.\\./)*app/" ${SOURCE_DIR}/panel/* ${SOURCE_DIR}/app/*.ui)
if(wrong)
    message(FATAL_ERROR "A layer includes one above it:${wrong}")
endif()
