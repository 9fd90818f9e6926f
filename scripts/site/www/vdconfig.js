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
  // The program asks again on a page of its own unless the post carries the
  // confirmation, which is sent here once the dialog was answered yes; its
  // own question page carries the confirmation already.
  document.addEventListener('submit', function (e) {
    var button = e.submitter;
    if (!button || String(button.value).toUpperCase() !== 'DELETE') return;
    var form = e.target;
    if (form.elements.namedItem('ConfirmDelete')) return;
    if (!window.confirm('Delete this rate plan? This cannot be undone.')) {
      e.preventDefault();
      return;
    }
    var confirmed = document.createElement('input');
    confirmed.type = 'hidden';
    confirmed.name = 'ConfirmDelete';
    confirmed.value = 'YES';
    form.appendChild(confirmed);
  }, true);
})();
