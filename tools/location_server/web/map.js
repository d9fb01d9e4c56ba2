// The map page: the position from the fragment the program writes
// (#lat=55.751244&lon=37.618423&z=13), the cells and access points the
// server knows nearby with their ranges, a scale, and tiles when the tile
// server answers. Everything but the tiles comes from the page's own server,
// so the page works offline.
(function () {
  'use strict';

  var DEFAULT_ZOOM = 13;

  function readFragment(hash) {
    var values = {};
    hash.replace(/^#/, '').split('&').forEach(function (pair) {
      var equals = pair.indexOf('=');
      if (equals > 0) values[pair.slice(0, equals)] = Number(pair.slice(equals + 1));
    });
    var within = function (value, limit) { return isFinite(value) && Math.abs(value) <= limit; };
    return {
      lat: within(values.lat, 90) ? values.lat : 0,
      lon: within(values.lon, 180) ? values.lon : 0,
      zoom: within(values.z, 19) && values.z >= 1 ? Math.round(values.z) : DEFAULT_ZOOM
    };
  }

  var body = document.body;
  // Ranges reach far beyond the view: draw them over a wide margin so they
  // are whole while the map is dragged or the window grows.
  var map = L.map('map', { renderer: L.svg({ padding: 1 }) });
  var tiles = body.getAttribute('data-tiles');
  if (tiles) {
    L.tileLayer(tiles, { maxZoom: 19, attribution: '&copy; OpenStreetMap contributors' }).addTo(map);
  }
  L.control.scale({ imperial: false }).addTo(map);
  var marker = L.marker([0, 0], { title: 'Position' }).addTo(map);
  var transmitters = L.layerGroup().addTo(map);

  function describe(count, one, many) { return count + ' ' + (count === 1 ? one : many); }

  function drawNearby(data) {
    transmitters.clearLayers();
    data.cells.forEach(function (c) {
      L.circle([c.lat, c.lon], { radius: c.range, className: 'cell-range', color: '#1f5fbf', weight: 1, fillOpacity: 0.08 })
        .bindTooltip('cell ' + c.mcc + '/' + c.net + '/' + c.area + '/' + c.cell + ', ' + c.range + ' m')
        .addTo(transmitters);
      L.circleMarker([c.lat, c.lon], { radius: 3, className: 'cell-site', color: '#1f5fbf' }).addTo(transmitters);
    });
    data.access_points.forEach(function (a) {
      L.circle([a.lat, a.lon], { radius: a.accuracy, className: 'ap-range', color: '#c2571a', weight: 1, fillOpacity: 0.15 })
        .bindTooltip('access point ' + a.mac + ', ' + a.accuracy + ' m')
        .addTo(transmitters);
    });
    body.setAttribute('data-cells', String(data.cells.length));
    body.setAttribute('data-access-points', String(data.access_points.length));
    document.getElementById('nearby').textContent = 'Nearby: ' + describe(data.cells.length, 'cell', 'cells') +
      ', ' + describe(data.access_points.length, 'access point', 'access points');
  }

  function show() {
    var place = readFragment(window.location.hash);
    map.setView([place.lat, place.lon], place.zoom);
    marker.setLatLng([place.lat, place.lon]);
    body.setAttribute('data-lat', String(place.lat));
    body.setAttribute('data-lon', String(place.lon));
    body.setAttribute('data-zoom', String(place.zoom));
    document.getElementById('position').textContent =
      'Position: ' + place.lat.toFixed(6) + ', ' + place.lon.toFixed(6) + ' (zoom ' + place.zoom + ')';
    var bounds = map.getBounds();
    var radius = Math.ceil(map.distance(bounds.getNorthWest(), bounds.getSouthEast()) / 2);
    body.setAttribute('data-state', 'loading');
    fetch('/_nearby?lat=' + place.lat + '&lon=' + place.lon + '&radius=' + radius)
      .then(function (response) {
        if (!response.ok) throw new Error('status ' + response.status);
        return response.json();
      })
      .then(function (data) {
        drawNearby(data);
        body.setAttribute('data-state', 'ready');
      })
      .catch(function (error) {
        document.getElementById('nearby').textContent = 'Nearby: unavailable (' + error.message + ')';
        body.setAttribute('data-state', 'failed');
      });
  }

  window.addEventListener('hashchange', show);
  show();
})();
