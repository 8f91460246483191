// Stands in for a Unity build's loader: it fetches the compressed files beside it by name.
function createUnityInstance() {}
