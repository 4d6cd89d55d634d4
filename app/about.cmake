# The About window, the close-button switch and the help lookup, with the About banner.
target_sources(kxpanel PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/About.cpp ${CMAKE_CURRENT_LIST_DIR}/About.h
    ${CMAKE_CURRENT_LIST_DIR}/modCloseBtn.cpp ${CMAKE_CURRENT_LIST_DIR}/modCloseBtn.h
    ${CMAKE_CURRENT_LIST_DIR}/Help.cpp ${CMAKE_CURRENT_LIST_DIR}/Help.h
)
qt_add_resources(kxpanel "kxabout_resources"
    PREFIX "/"
    BASE ${CMAKE_CURRENT_LIST_DIR}/../resources
    FILES
        ${CMAKE_CURRENT_LIST_DIR}/../resources/about-banner.png
)
