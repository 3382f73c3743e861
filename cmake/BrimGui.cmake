# The GUI layers (uictl, taskplan, job and the program) are the only targets
# that link Qt; the foundation, the core and brimvault-cli build without it.
option(BRIM_BUILD_GUI "Build the Qt 6 GUI libraries and program" ON)
if(BRIM_BUILD_GUI)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets DBus Test)
endif()

# brim_add_gui_library(<name> <sources...>)
# A shared library of the GUI layer: Qt Widgets, moc on its headers.
function(brim_add_gui_library name)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PUBLIC brim_options Qt6::Widgets)
endfunction()
