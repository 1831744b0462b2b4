# Install step that writes Corvane's desktop entry with the installed program's full path in Exec,
# so that a desktop starts it whatever the prefix (chosen as late as `cmake --install --prefix`)
# and whether or not the prefix's bin/ is on the desktop's PATH.
# Set before including: corvane_entry_template (the .desktop.in), corvane_entry_bindir (the program
# folder, absolute or relative to the prefix), corvane_entry_datadir (likewise, for share/) and
# corvane_entry_workdir (a folder of the build tree where the entry is written first).
if(IS_ABSOLUTE "${corvane_entry_bindir}")
  set(program "${corvane_entry_bindir}/Corvane")
else()
  set(program "${CMAKE_INSTALL_PREFIX}/${corvane_entry_bindir}/Corvane")
endif()
if(program MATCHES "[\"`$\\\\]")
  # Past what Exec can quote plainly: leave the program to the PATH.
  set(CORVANE_EXEC "Corvane")
elseif(program MATCHES "[^A-Za-z0-9/._+-]")
  set(CORVANE_EXEC "\"${program}\"")
else()
  set(CORVANE_EXEC "${program}")
endif()
get_filename_component(entry_name "${corvane_entry_template}" NAME_WLE)
set(entry "${corvane_entry_workdir}/${entry_name}")
configure_file("${corvane_entry_template}" "${entry}" @ONLY)
if(IS_ABSOLUTE "${corvane_entry_datadir}")
  set(applications "${corvane_entry_datadir}/applications")
else()
  set(applications "${CMAKE_INSTALL_PREFIX}/${corvane_entry_datadir}/applications")
endif()
file(INSTALL "${entry}" DESTINATION "${applications}")
