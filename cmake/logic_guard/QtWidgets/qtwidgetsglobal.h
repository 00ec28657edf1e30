// Stands in for Qt's own header when a file of pomiary_logic is compiled:
// every public QtWidgets header includes it with angle brackets, and this folder
// comes first on the logic's include path, so any QtWidgets include stops the build.
#error "logic must not use QtWidgets: windows and controls belong in src/<subsystem>/ui/ (pomiary_ui)"
