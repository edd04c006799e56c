# What the tests in real windows share: screenshots, and the host's side on
# each window system. Included by tests/gui and tests/editor.
set(QUIBO_TEST_SUPPORT_DIR ${CMAKE_CURRENT_LIST_DIR})
set(QUIBO_WINE_HOST_SUPPORT_SOURCES ${QUIBO_TEST_SUPPORT_DIR}/PpmWriter.cpp
    ${QUIBO_TEST_SUPPORT_DIR}/win32/WineHostSupport.cpp)
set(QUIBO_WINE_HOST_SUPPORT_DIRS ${QUIBO_TEST_SUPPORT_DIR} ${QUIBO_TEST_SUPPORT_DIR}/win32)
set(QUIBO_X11_HOST_SUPPORT_SOURCES ${QUIBO_TEST_SUPPORT_DIR}/PpmWriter.cpp
    ${QUIBO_TEST_SUPPORT_DIR}/x11/X11HostSupport.cpp)
set(QUIBO_X11_HOST_SUPPORT_DIRS ${QUIBO_TEST_SUPPORT_DIR} ${QUIBO_TEST_SUPPORT_DIR}/x11)
