# The completion scripts, written at build time by the built tool from its own
# command line and catalogue, and the manual page from its scdoc source.
find_program(SCDOC scdoc REQUIRED)

set(vemoctl_completions ${CMAKE_CURRENT_BINARY_DIR}/completions)
add_custom_command(
  OUTPUT ${vemoctl_completions}/vemoctl ${vemoctl_completions}/_vemoctl ${vemoctl_completions}/vemoctl.fish
  COMMAND ${CMAKE_COMMAND} -E make_directory ${vemoctl_completions}
  COMMAND vemoctl completion bash > ${vemoctl_completions}/vemoctl
  COMMAND vemoctl completion zsh > ${vemoctl_completions}/_vemoctl
  COMMAND vemoctl completion fish > ${vemoctl_completions}/vemoctl.fish
  DEPENDS vemoctl
  COMMENT "Writing vemoctl's completion scripts"
  VERBATIM)
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/vemoctl.1
  COMMAND ${SCDOC} < ${CMAKE_CURRENT_SOURCE_DIR}/vemoctl.1.scd > ${CMAKE_CURRENT_BINARY_DIR}/vemoctl.1
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/vemoctl.1.scd
  COMMENT "Writing the vemoctl(1) manual page"
  VERBATIM)
add_custom_target(vemoctl_shell_files ALL
  DEPENDS ${vemoctl_completions}/vemoctl ${vemoctl_completions}/_vemoctl ${vemoctl_completions}/vemoctl.fish
          ${CMAKE_CURRENT_BINARY_DIR}/vemoctl.1)

install(FILES ${vemoctl_completions}/vemoctl
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT Runtime)
install(FILES ${vemoctl_completions}/_vemoctl
  DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions COMPONENT Runtime)
install(FILES ${vemoctl_completions}/vemoctl.fish
  DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d COMPONENT Runtime)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vemoctl.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
