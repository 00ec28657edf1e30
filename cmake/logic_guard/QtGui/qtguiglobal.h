// Stands in for Qt's own header when a file of pomiary_logic is compiled:
// every public QtGui header includes it with angle brackets, and this folder
// comes first on the logic's include path, so any QtGui include stops the build.
#error "logic must not use QtGui: keep colours, fonts and images in ui/; logic holds plain ints and bytes"
