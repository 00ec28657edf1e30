// Stands in for Qt's own header when a file of pomiary_logic is compiled:
// every public QtPrintSupport header includes it with angle brackets, and this folder
// comes first on the logic's include path, so any QtPrintSupport include stops the build.
#error "logic must not use QtPrintSupport: printing belongs in ui/"
