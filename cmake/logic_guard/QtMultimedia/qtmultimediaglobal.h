// Stands in for Qt's own header when a file of pomiary_logic is compiled:
// every public QtMultimedia header includes it with angle brackets, and this folder
// comes first on the logic's include path, so any QtMultimedia include stops the build.
#error "logic must not use QtMultimedia: sounds belong in ui/"
