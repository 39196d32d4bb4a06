// The page at work: while the worker reads or writes, every control but
// Cancel is disabled (and says so to the keyboard and screen readers), the
// status line tells how far it has come, and the outcome is announced.

const controls = () => document.querySelectorAll('main button, main input, main select');

// Disables every control but Cancel, or gives each back what it had.
function setBusy(now) {
  busy = now;
  const focused = document.activeElement;
  for (const control of controls()) {
    if (control === cancelButton) continue;
    if (now) {
      control.dataset.wasDisabled = String(control.disabled);
      control.disabled = true;
    } else if (control.dataset.wasDisabled !== undefined) {
      control.disabled = control.dataset.wasDisabled === 'true';
      delete control.dataset.wasDisabled;
    }
  }
  statusLine.hidden = !now;
  document.body.setAttribute('aria-busy', String(now));
  if (now) {
    document.body.dataset.state = 'busy';
    progress.removeAttribute('value');
    if (focused && focused !== document.body) cancelButton.focus();
  }
}

let working = Promise.resolve();  // the work under way, or the last one done

// Runs `work` with the page busy, and puts the focus back where it was.
// Work within work (a file's one map opened as the file is read) runs as
// part of it: the controls are given back once, when the outer work ends.
function whileBusy(status, work) {
  if (busy) {
    statusText.textContent = status;
    return work();
  }
  working = runBusy(status, work);
  return working;
}

async function runBusy(status, work) {
  const from = document.activeElement;
  statusText.textContent = status;
  message.textContent = '';
  setBusy(true);
  try {
    return await work();
  } finally {
    setBusy(false);
    settle();
    if (document.activeElement === cancelButton || document.activeElement === document.body) {
      if (from && from.isConnected && !from.disabled) from.focus();
    }
  }
}

// The state the page is in when no work is under way.
function settle() {
  const open = files.filter((file) => file.state === 'open');
  const failed = files.some((file) => file.state === 'failed') || message.textContent !== '';
  document.body.dataset.state = open.length === 0 ? (failed ? 'failed' : 'idle') :
      message.textContent !== ''                  ? 'failed' :
                                                    'ready';
  updateZipButton();
}

function showProgress({what, done, total}) {
  if (what === 'zip-file') {
    progress.removeAttribute('value');
    statusText.dataset.file = files.length > 1 ? `File ${done} of ${total}: ` : '';
    return;
  }
  progress.max = total;
  progress.value = done;
  const prefix = statusText.dataset.file || '';
  statusText.textContent = what === 'reading' ?
      `${prefix}${statusText.dataset.reading}: ${Math.min(100, Math.floor(100 * done / total))}%` :
      `${prefix}zipping instrument ${done.toLocaleString('en')} of ${total.toLocaleString('en')}`;
}

function fail(text) { message.textContent = text; }
