// The demo's start page: the card sets the cookie "User" and opens the
// configurator; an ordinary user goes to the rate plan review, the only
// page open to such a user.
(function () {
  var configurator = '/scripts/vdconfig.exe';
  function open(user, option) {
    document.cookie = 'User=' + encodeURIComponent(user) + '; path=/; SameSite=Lax';
    window.location.href = option ? configurator + '?ConfigOption=' + encodeURIComponent(option) : configurator;
  }
  document.querySelectorAll('[data-user]').forEach(function (b) {
    b.addEventListener('click', function () { open(b.getAttribute('data-user'), b.getAttribute('data-option')); });
  });
  document.getElementById('other').addEventListener('submit', function (e) {
    e.preventDefault();
    var u = document.getElementById('other-user').value.trim();
    if (u) open(u);
  });
})();
