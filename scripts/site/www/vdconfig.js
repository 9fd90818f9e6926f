// The page script of the sample templates (a file of its own: the site's
// Content-Security-Policy allows no inline script). Shows the user of the
// cookie "User" in the header and asks before a rate plan is deleted.
(function () {
  var shown = document.getElementById('vd-user');
  if (shown) {
    var m = document.cookie.match(/(?:^|;\s*)User=([^;]*)/);
    var user = 'no user';
    if (m) {
      try { user = decodeURIComponent(m[1]); } catch (e) { user = m[1]; }
    }
    shown.textContent = user;
  }
  document.addEventListener('submit', function (e) {
    var button = e.submitter;
    if (!button || String(button.value).toUpperCase() !== 'DELETE') return;
    if (!window.confirm('Delete this rate plan? This cannot be undone.')) e.preventDefault();
  }, true);
})();
